#include "sr4731/texts.h"

#include "util/codepages.h"
#include "util/gbk.h"
#include "util/text.h"

namespace otdr::sr4731 {

CodePage codePageForLanguage(std::string_view languageCode) {
    const std::string code = upperAscii(trimmed(languageCode));
    if (code == "CH" || code == "ZH" || code == "CN") return CodePage::Gbk;
    if (code == "RU" || code == "UA" || code == "BG" || code == "BE") return CodePage::Windows1251;
    return CodePage::Latin1;
}

CodePage codePageOf(const Document& doc) {
    return doc.general ? codePageForLanguage(doc.general->languageCode) : CodePage::Latin1;
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
