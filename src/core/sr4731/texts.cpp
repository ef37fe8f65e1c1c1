#include "sr4731/texts.h"

#include <vector>

#include "util/codepages.h"
#include "util/gbk.h"
#include "util/text.h"

namespace otdr::sr4731 {

namespace {

bool asciiLetter(unsigned char b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

// A letter in both code pages (0xD7 and 0xF7 are Ч and ч in Windows-1251, × and ÷ in
// Latin-1; inside a word they are letters).
bool highLetter(unsigned char b) {
    return b >= 0xC0;
}

}  // namespace

std::optional<CodePage> namedCodePage(std::string_view languageCode) {
    const std::string code = upperAscii(trimmed(languageCode));
    if (code == "CH" || code == "ZH" || code == "CN") return CodePage::Gbk;
    if (code == "RU" || code == "UA" || code == "BG" || code == "BE") return CodePage::Windows1251;
    return std::nullopt;
}

CodePage codePageForLanguage(std::string_view languageCode) {
    return namedCodePage(languageCode).value_or(CodePage::Latin1);
}

CodePage guessCodePage(std::span<const std::string_view> texts) {
    std::size_t cyrillic = 0, latin = 0;
    for (std::string_view t : texts) {
        if (isValidUtf8(t)) continue;
        std::size_t i = 0;
        while (i < t.size()) {
            std::size_t ascii = 0, high = 0;
            for (; i < t.size(); ++i) {
                const auto b = static_cast<unsigned char>(t[i]);
                if (asciiLetter(b))
                    ++ascii;
                else if (highLetter(b))
                    ++high;
                else
                    break;
            }
            if (ascii > 0)
                latin += high;
            else if (high >= 2)
                cyrillic += high;
            if (ascii == 0 && high == 0) ++i;  // a byte between words
        }
    }
    return cyrillic > latin ? CodePage::Windows1251 : CodePage::Latin1;
}

CodePage codePageOf(const Document& doc) {
    if (!doc.general) return CodePage::Latin1;
    if (auto named = namedCodePage(doc.general->languageCode)) return *named;
    const GeneralParams& g = doc.general.value();
    std::vector<std::string_view> texts{
        g.cableId,      g.fiberId, g.originatingLocation, g.terminatingLocation, g.cableCode,
        g.operatorName, g.comment};
    if (doc.supplier) {
        const SupplierParams& s = *doc.supplier;
        for (const std::string* t : {&s.supplierName, &s.mainframeId, &s.mainframeSerial,
                                     &s.moduleId, &s.moduleSerial, &s.softwareRevision, &s.other})
            texts.emplace_back(*t);
    }
    if (doc.keyEvents)
        for (const KeyEvent& e : doc.keyEvents->events) texts.emplace_back(e.comment);
    return guessCodePage(texts);
}

const char* codePageName(CodePage c) {
    switch (c) {
        case CodePage::Gbk:
            return "GBK";
        case CodePage::Windows1251:
            return "Windows-1251";
        case CodePage::Latin1:
            break;
    }
    return "Latin-1";
}

std::string textToUtf8(std::string_view bytes, CodePage fallback) {
    if (isValidUtf8(bytes)) return std::string(bytes);
    switch (fallback) {
        case CodePage::Gbk:
            return gbkToUtf8(bytes);
        case CodePage::Windows1251:
            return windows1251ToUtf8(bytes);
        case CodePage::Latin1:
            break;
    }
    return latin1ToUtf8(bytes);
}

}  // namespace otdr::sr4731
