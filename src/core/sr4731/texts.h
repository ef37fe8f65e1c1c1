#pragma once
// Texts of other instruments' files are kept as their bytes; for output they become UTF-8:
// as they are when they already form valid UTF-8 (ASCII does), otherwise in the code page
// the file's language code names (GBK for Chinese, Windows-1251 for Cyrillic languages).
// A file whose language code names no code page (most say "EN" whatever their texts hold)
// has its texts read as Windows-1251 or Latin-1, whichever its texts look like (see
// guessCodePage). Decoding never fails.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "sr4731/document.h"

namespace otdr::sr4731 {

enum class CodePage { Gbk, Windows1251, Latin1 };

// The code page a GenParams language code names: "CH", "ZH", "CN" Chinese; "RU", "UA", "BG",
// "BE" Cyrillic; nothing for any other code. Case and blanks do not matter.
std::optional<CodePage> namedCodePage(std::string_view languageCode);

// The named code page, Latin-1 for a code that names none.
CodePage codePageForLanguage(std::string_view languageCode);

// Windows-1251 or Latin-1 for texts that are not UTF-8, by the words their bytes from 0xC0
// up form. Those bytes are letters in both code pages: capital and small Cyrillic letters in
// Windows-1251, accented Latin letters in Latin-1. Cyrillic words are written wholly in such
// bytes, while accented letters stand among plain ASCII letters (Müller, José, ação). So a
// word of two or more such bytes and no ASCII letter counts its bytes for Windows-1251, a word
// mixing them with ASCII letters counts them for Latin-1, and a word of one such byte alone
// ("à", "в") counts for neither. Windows-1251 wins only with the larger count.
CodePage guessCodePage(std::span<const std::string_view> texts);

// The code page of a document's texts: the one its language code names, else the guess over
// its texts (GenParams, SupParams, event comments); Latin-1 without GenParams.
CodePage codePageOf(const Document& doc);

const char* codePageName(CodePage c);

std::string textToUtf8(std::string_view bytes, CodePage fallback);

}  // namespace otdr::sr4731
