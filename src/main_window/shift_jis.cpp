#include "shift_jis.h"

#include <iconv.h>

#include <array>
#include <cerrno>

namespace velmora {

namespace {

class Converter {
public:
    Converter() : cd_(iconv_open("CP932", "UTF-8")) {}
    ~Converter() {
        if (valid()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Bytes of one character, or 1 when it has no place in the code page.
    int bytesOf(const QByteArray& utf8) {
        std::array<char, 16> out{};
        char* in = const_cast<char*>(utf8.constData());
        size_t inLeft = static_cast<size_t>(utf8.size());
        char* outPtr = out.data();
        size_t outLeft = out.size();
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd_, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
            return 1;
        }
        return static_cast<int>(out.size() - outLeft);
    }

private:
    iconv_t cd_;
};

} // namespace

int shiftJisByteCount(const QString& text) {
    Converter converter;
    int bytes = 0;
    for (int i = 0; i < text.size();) {
        const int length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        bytes += converter.valid() ? converter.bytesOf(character.toUtf8())
                                   : (character.at(0).unicode() < 0x80 ? 1 : 2);
        i += length;
    }
    return bytes;
}

} // namespace velmora
