#pragma once
// What a command needs from the user: error boxes (caption "Error", OK) and the overwrite
// question (Yes / No / Cancel). The window answers with message boxes, tests with a recorder.

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
};

// Records the messages and answers every question with a fixed answer.
class RecordingPrompter : public Prompter {
  public:
    void showError(std::string_view message) override { errors.emplace_back(message); }
    Answer askYesNoCancel(std::string_view question) override {
        questions.emplace_back(question);
        return answer;
    }

    std::vector<std::string> errors;
    std::vector<std::string> questions;
    Answer answer = Answer::Yes;
};

}  // namespace otdr
