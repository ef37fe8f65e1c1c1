#pragma once
// What a command needs from the user: error boxes (caption "Error", OK), the overwrite
// question (Yes / No / Cancel), the offer to import another instrument's file ("导入" /
// "取消") and notes that need no decision. The window answers with message boxes, tests with
// a recorder; a prompter that does not answer the offer declines it and drops the notes.

#include <string>
#include <string_view>
#include <vector>

namespace otdr {

enum class Answer { Yes, No, Cancel };

class Prompter {
  public:
    virtual ~Prompter() = default;
    virtual void showError(std::string_view message) = 0;
    virtual Answer askYesNoCancel(std::string_view question) = 0;
    // True when the user chose "导入".
    virtual bool offerImport(std::string_view question) {
        (void)question;
        return false;
    }
    virtual void showNote(std::string_view message) { (void)message; }
};

// Records the messages and answers every question with a fixed answer.
class RecordingPrompter : public Prompter {
  public:
    void showError(std::string_view message) override { errors.emplace_back(message); }
    Answer askYesNoCancel(std::string_view question) override {
        questions.emplace_back(question);
        return answer;
    }
    bool offerImport(std::string_view question) override {
        offers.emplace_back(question);
        return importAnswer;
    }
    void showNote(std::string_view message) override { notes.emplace_back(message); }

    std::vector<std::string> errors;
    std::vector<std::string> questions;
    std::vector<std::string> offers;
    std::vector<std::string> notes;
    Answer answer = Answer::Yes;
    bool importAnswer = true;
};

}  // namespace otdr
