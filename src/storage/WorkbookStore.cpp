#include "storage/WorkbookStore.h"

#include "storage/CompoundFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltroma {

namespace {

class OpenFile {
public:
    explicit OpenFile(const QByteArray& path) : m_fd(::open(path.constData(), O_RDONLY | O_CLOEXEC)) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    [[nodiscard]] int fd() const { return m_fd; }

    std::optional<QByteArray> readAll() const
    {
        QByteArray content;
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return std::nullopt;
            if (n == 0)
                return content;
            content.append(buffer, n);
        }
    }

private:
    int m_fd;
};

// The value reader opens files by name; naming the descriptor we hold makes it read the very
// file we read, even if the path is replaced in between.
QByteArray nameOfOpenFile(int fd, const QByteArray& path)
{
    const QByteArray procName = "/proc/self/fd/" + QByteArray::number(fd);
    return ::access(procName.constData(), R_OK) == 0 ? procName : path;
}

// Every compound file, and so every Excel 97-2003 workbook, starts with these bytes.
bool hasContainerSignature(const QByteArray& content)
{
    static const QByteArray kSignature = QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    return content.startsWith(kSignature);
}

QString cannotRead(const QString& path, const QString& why)
{
    return QStringLiteral("Cannot read %1: %2").arg(path, why);
}

} // namespace

WorkbookStore& WorkbookStore::shared()
{
    static WorkbookStore store;
    return store;
}

WorkbookStore::LoadResult WorkbookStore::load(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QByteArray native = QFile::encodeName(absolute);
    const OpenFile file(native);
    if (file.fd() < 0) {
        if (errno == ENOENT)
            return {std::nullopt, true, {}, Problem::Missing};
        return {std::nullopt, false, cannotRead(path, QString::fromLocal8Bit(std::strerror(errno))),
                Problem::Inaccessible};
    }
    struct stat st {};
    if (::fstat(file.fd(), &st) != 0 || !S_ISREG(st.st_mode))
        return {std::nullopt, false, cannotRead(path, QStringLiteral("not a file")), Problem::Inaccessible};
    const FileStamp stamp = *stampOfOpenFile(file.fd());
    {
        const std::lock_guard lock(m_mutex);
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->path == absolute && it->stamp == stamp) {
                m_entries.splice(m_entries.begin(), m_entries, it);
                return {m_entries.front().file, false, {}, Problem::None};
            }
        }
    }
    const auto content = file.readAll();
    if (!content)
        return {std::nullopt, false, cannotRead(path, QString::fromLocal8Bit(std::strerror(errno))),
                Problem::Inaccessible};
    if (!hasContainerSignature(*content))
        return {std::nullopt, false,
                cannotRead(path, content->isEmpty() ? QStringLiteral("the file is empty")
                                                    : QStringLiteral("it is not an Excel 97-2003 workbook")),
                Problem::NotAWorkbook};
    auto read = readXlsWorkbook(nameOfOpenFile(file.fd(), native), *content);
    if (auto* error = std::get_if<QString>(&read))
        return {std::nullopt, false, cannotRead(path, *error), Problem::Damaged};
    auto& loaded = std::get<ReadWorkbook>(read);
    remember({absolute, stamp, loaded.file, nullptr, std::move(loaded.encoded)});
    return {std::move(loaded.file), false, {}, Problem::None};
}

std::optional<QString> WorkbookStore::save(const QString& path, const Workbook& book)
{
    if (auto error = workbookLimitError(book))
        return error;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const std::shared_ptr<WorkbookEncoder> encoder = encoderFor(absolute);
    const QByteArray bytes = buildCompoundFile(encoder->encode(book));
    const ReplaceResult result = replaceFile(path, bytes);
    if (!result.ok)
        return result.error;
    remember({absolute, result.stamp, WorkbookFile{book, {}}, encoder, nullptr});
    return std::nullopt;
}

void WorkbookStore::clear()
{
    const std::lock_guard lock(m_mutex);
    m_entries.clear();
}

std::shared_ptr<WorkbookEncoder> WorkbookStore::encoderFor(const QString& absolutePath)
{
    std::shared_ptr<WorkbookEncoder> encoder;
    std::shared_ptr<const EncodedWorkbook> encoded;
    Workbook read;
    {
        const std::lock_guard lock(m_mutex);
        for (Entry& e : m_entries) {
            if (e.path == absolutePath && e.encoder) {
                encoder = e.encoder;
                encoded = std::exchange(e.encoded, nullptr);
                read = e.file.book;
                break;
            }
        }
    }
    if (!encoder)
        return std::make_shared<WorkbookEncoder>();
    // The first save after a load keeps the file's encoding of the sheets it did not change.
    if (encoded)
        encoder->adopt(read, *encoded);
    return encoder;
}

void WorkbookStore::remember(Entry entry)
{
    const std::lock_guard lock(m_mutex);
    if (!entry.encoder) {
        for (const Entry& e : m_entries) {
            if (e.path == entry.path)
                entry.encoder = e.encoder;
        }
        if (!entry.encoder)
            entry.encoder = std::make_shared<WorkbookEncoder>();
    }
    m_entries.remove_if([&](const Entry& e) { return e.path == entry.path; });
    m_entries.push_front(std::move(entry));
    if (m_entries.size() > kMaxEntries)
        m_entries.pop_back();
}

} // namespace veltroma
