#pragma once
// Texts of other instruments' files are kept as their bytes; for output they become UTF-8:
// as they are when they already form valid UTF-8 (ASCII does), otherwise in the code page
// the file's language code names (GBK for Chinese, Windows-1251 for Cyrillic languages),
// otherwise as Latin-1. Decoding never fails.

#include <string>
#include <string_view>

#include "sr4731/document.h"

namespace otdr::sr4731 {

enum class CodePage { Gbk, Windows1251, Latin1 };

// The code page of a GenParams language code ("CH", "ZH", "CN" Chinese; "RU", "UA", "BG",
// "BE" Cyrillic; anything else Latin-1). Case and blanks do not matter.
CodePage codePageForLanguage(std::string_view languageCode);

// The code page of a document's texts, from its GenParams (Latin-1 without them).
CodePage codePageOf(const Document& doc);

const char* codePageName(CodePage c);

std::string textToUtf8(std::string_view bytes, CodePage fallback);

}  // namespace otdr::sr4731
