#include "text/CaseFold.h"

#include "text/Utf8Decoder.h"
#include "text/Utf8Encoder.h"

#include <locale.h>
#include <wctype.h>

namespace {

// The Unicode locale's handle, made once; null where the system has none.
locale_t unicodeLocale()
{
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

// The length of the valid UTF-8 sequence at `text[at]`, or 0 when it is not one.
std::size_t validSequence(std::string_view text, std::size_t at)
{
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (at + length > text.size())
        return 0;
    const std::string_view sequence = text.substr(at, length);
    const std::u32string decoded = Utf8Decoder::decode(sequence);
    const bool valid = decoded.size() == 1 && (decoded[0] != Utf8Decoder::kReplacement || sequence == "\xEF\xBF\xBD");
    return valid ? length : 0;
}

} // namespace

std::string CaseFold::fold(std::string_view text)
{
    std::string out;
    foldInto(text, out);
    return out;
}

void CaseFold::foldInto(std::string_view text, std::string& out)
{
    out.clear();
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            out += static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte);
            ++at;
            continue;
        }
        const std::size_t length = validSequence(text, at);
        if (length == 0) {
            out += static_cast<char>(byte);
            ++at;
            continue;
        }
        char32_t c = Utf8Decoder::decode(text.substr(at, length))[0];
        if (const locale_t locale = unicodeLocale(); locale != static_cast<locale_t>(nullptr))
            c = static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), locale));
        Utf8Encoder::append(c, out);
        at += length;
    }
}
