#include "util/gbk.h"

#include <iconv.h>

#include <cerrno>

namespace otdr {

namespace {

std::string convert(std::string_view in, const char* to, const char* from,
                    std::string_view replacement) {
    std::string out;
    if (in.empty()) return out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    out.reserve(in.size() * 2);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buf[512];
    while (srcLeft > 0) {
        char* dst = buf;
        std::size_t dstLeft = sizeof buf;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, static_cast<std::size_t>(dst - buf));
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL: skip one input character and put a replacement instead.
            out.append(replacement);
            std::size_t skip = 1;
            if (std::string_view(from) == "UTF-8") {
                const auto lead = static_cast<unsigned char>(*src);
                skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
                if (skip > srcLeft) skip = srcLeft;
            }
            src += skip;
            srcLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

std::string utf8ToGbk(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    return convert(utf8, "GBK", "UTF-8", "?");
}

std::string gbkToUtf8(std::string_view gbk) {
    if (isAscii(gbk)) return std::string(gbk);
    return convert(gbk, "UTF-8", "GBK", "\xEF\xBF\xBD");
}

std::string gbkPrefix(std::string_view gbk, std::size_t maxBytes) {
    std::size_t i = 0;
    while (i < gbk.size()) {
        const std::size_t len = static_cast<unsigned char>(gbk[i]) >= 0x81 ? 2 : 1;
        if (i + len > maxBytes) break;
        i += len;
    }
    if (i > gbk.size()) i = gbk.size();
    return std::string(gbk.substr(0, i));
}

}  // namespace otdr
