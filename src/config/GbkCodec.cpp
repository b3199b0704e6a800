#include "config/GbkCodec.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace veltroma {
namespace {

// One conversion descriptor per user: iconv state must not be shared between threads.
class Iconv {
public:
    Iconv(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (valid())
            iconv_close(handle_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    [[nodiscard]] bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    void reset() { iconv(handle_, nullptr, nullptr, nullptr, nullptr); }

    enum class Stop { Done, InvalidInput, IncompleteInput };

    // Converts as much of [in, in + inLeft) as it can, appending to `out`; advances `in`.
    Stop convert(const char*& in, std::size_t& inLeft, QByteArray& out)
    {
        std::array<char, 1024> chunk{};
        while (inLeft > 0) {
            char* dst = chunk.data();
            std::size_t dstLeft = chunk.size();
            // iconv's prototype takes char** for historical reasons; it never writes the input.
            char* src = const_cast<char*>(in);
            const std::size_t rc = iconv(handle_, &src, &inLeft, &dst, &dstLeft);
            const int error = errno;
            in = src;
            out.append(chunk.data(), static_cast<qsizetype>(chunk.size() - dstLeft));
            if (rc != static_cast<std::size_t>(-1))
                continue;
            if (error == E2BIG)
                continue;
            return error == EINVAL ? Stop::IncompleteInput : Stop::InvalidInput;
        }
        return Stop::Done;
    }

private:
    iconv_t handle_;
};

} // namespace

class GbkDecoder::Converter : public Iconv {
public:
    Converter() : Iconv("UTF-8", "GBK") {}
};

GbkDecoder::GbkDecoder() : converter_(std::make_unique<Converter>()) {}

GbkDecoder::~GbkDecoder() = default;

GbkText GbkDecoder::decode(QByteArrayView bytes)
{
    GbkText result;
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        result.text = QString::fromLatin1(bytes);
        return result;
    }
    if (!converter_->valid()) {
        // Without the converter only plain ASCII can be trusted.
        for (const char c : bytes) {
            const bool plain = static_cast<unsigned char>(c) < 0x80;
            result.text.append(plain ? QChar(QLatin1Char(c)) : QChar(QChar::ReplacementCharacter));
        }
        result.clean = false;
        return result;
    }

    converter_->reset();
    QByteArray utf8;
    const char* in = bytes.data();
    std::size_t left = static_cast<std::size_t>(bytes.size());
    while (left > 0) {
        if (converter_->convert(in, left, utf8) == Iconv::Stop::Done)
            break;
        // Keep going after a byte that is no GBK character, so one bad byte costs one character.
        utf8.append("\xEF\xBF\xBD");
        ++in;
        --left;
        result.clean = false;
        converter_->reset();
    }
    result.text = QString::fromUtf8(utf8);
    return result;
}

GbkText decodeGbk(QByteArrayView bytes)
{
    return GbkDecoder().decode(bytes);
}

std::optional<QByteArray> encodeGbk(QStringView text)
{
    Iconv iconv("GBK", "UTF-8");
    if (!iconv.valid())
        return std::nullopt;
    const QByteArray utf8 = text.toUtf8();
    QByteArray gbk;
    const char* in = utf8.constData();
    std::size_t left = static_cast<std::size_t>(utf8.size());
    if (iconv.convert(in, left, gbk) != Iconv::Stop::Done)
        return std::nullopt;
    return gbk;
}

} // namespace veltroma
