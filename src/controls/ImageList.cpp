#include "controls/ImageList.h"

#include <QPainter>

namespace veltroma {

int ImageList::Add(const QPixmap& image)
{
    m_images.push_back(image);
    return GetImageCount() - 1;
}

void ImageList::Draw(QPainter& painter, int index, QPoint topLeft) const
{
    if (!IsValidIndex(index))
        return;
    painter.drawPixmap(QRect(topLeft, m_size), m_images[static_cast<std::size_t>(index)]);
}

} // namespace veltroma
