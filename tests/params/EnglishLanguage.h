#pragma once

#include <QString>
#include <QTemporaryDir>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace veltroma::test {

// The program's English language file in a folder of its own, active while the object lives.
class EnglishLanguage {
public:
    EnglishLanguage();
    ~EnglishLanguage();
    EnglishLanguage(const EnglishLanguage&) = delete;
    EnglishLanguage& operator=(const EnglishLanguage&) = delete;

private:
    QTemporaryDir dir_;
};

} // namespace veltroma::test
