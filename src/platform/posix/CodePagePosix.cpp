#include "platform/CodePage.h"

#include <iconv.h>

#include <array>
#include <bit>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {

constexpr const char* Utf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
constexpr const char* AnsiCodePage = "CP949";

// One conversion descriptor per direction; the program is single-threaded.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of in; false when it is not a complete, valid sequence.
    bool convert(const char* in, std::size_t inSize, std::string& out)
    {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::array<char, 64> buffer{};
        auto* src = const_cast<char*>(in);
        while (inSize > 0) {
            char* dst = buffer.data();
            std::size_t room = buffer.size();
            const std::size_t rc = iconv(cd_, &src, &inSize, &dst, &room);
            out.append(buffer.data(), buffer.size() - room);
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG)
                return false;
        }
        return true;
    }

private:
    iconv_t cd_;
};

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::string toAnsi(std::u16string_view text)
{
    static Converter converter(AnsiCodePage, Utf16);
    std::string result;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t units =
            isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1]) ? 2 : 1;
        std::string bytes;
        if (converter.valid()
            && converter.convert(reinterpret_cast<const char*>(text.data() + i),
                                 units * sizeof(char16_t), bytes)
            && !bytes.empty())
            result += bytes;
        else
            result += '?';
        i += units;
    }
    return result;
}

std::u16string fromAnsi(std::string_view bytes)
{
    static Converter converter(Utf16, AnsiCodePage);
    std::u16string result;
    auto appendUtf16 = [&result](const std::string& raw) {
        for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
            char16_t unit = 0;
            std::memcpy(&unit, raw.data() + i, 2);
            result += unit;
        }
    };
    for (std::size_t i = 0; i < bytes.size();) {
        // A byte at 0x81 or above opens a double-byte character.
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t size = lead >= 0x81 && lead <= 0xFE && i + 1 < bytes.size() ? 2 : 1;
        std::string raw;
        if (converter.valid() && converter.convert(bytes.data() + i, size, raw))
            appendUtf16(raw);
        else
            result += u'\uFFFD';
        i += size;
    }
    return result;
}

}  // namespace platform
