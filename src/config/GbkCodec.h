#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <memory>
#include <optional>

namespace veltroma {

// The 8-bit Chinese code page (GBK, code page 936) of the language and settings files,
// converted with the C library's iconv.

struct GbkText {
    QString text;
    // False when some bytes were no valid GBK; each such byte became U+FFFD.
    bool clean = true;
};

GbkText decodeGbk(QByteArrayView bytes);

// For many pieces of text in a row: opens the converter once.
class GbkDecoder {
public:
    GbkDecoder();
    ~GbkDecoder();
    GbkDecoder(const GbkDecoder&) = delete;
    GbkDecoder& operator=(const GbkDecoder&) = delete;

    GbkText decode(QByteArrayView bytes);

private:
    class Converter;
    std::unique_ptr<Converter> converter_;
};

// Empty when a character of `text` has no GBK form.
std::optional<QByteArray> encodeGbk(QStringView text);

} // namespace veltroma
