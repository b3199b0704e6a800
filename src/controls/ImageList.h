#pragma once

#include <QPixmap>
#include <QPoint>
#include <QSize>

#include <vector>

class QPainter;

namespace veltroma {

// A row of equally sized images addressed by index, as the navigation bar's folders and
// items refer to them. The owner keeps the list; the bar only points at it.
class ImageList {
public:
    ImageList() = default;
    explicit ImageList(QSize imageSize) : m_size(imageSize) {}

    // Appends an image (drawn at the list's size whatever its own size); returns its index.
    int Add(const QPixmap& image);

    int GetImageCount() const { return static_cast<int>(m_images.size()); }
    QSize GetImageSize() const { return m_size; }
    bool IsValidIndex(int index) const { return index >= 0 && index < GetImageCount(); }

    // Draws image `index` with its top-left corner at `topLeft`; an invalid index draws nothing.
    void Draw(QPainter& painter, int index, QPoint topLeft) const;

private:
    QSize m_size;
    std::vector<QPixmap> m_images;
};

} // namespace veltroma
