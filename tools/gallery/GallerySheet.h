#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

namespace veltroma::gallery {

struct GalleryItem {
    QString name;
    QWidget* widget = nullptr; // handed to the sheet, which places it on a card
    QSize size;
    std::function<void()> settle = {}; // run once the sheet is on screen (hover, open editors)
};

// The picture: a title band, then sections of captioned cards packed in rows.
class GallerySheet : public QWidget {
public:
    explicit GallerySheet(int width);

    void AddSection(const QString& title, std::vector<GalleryItem> items);
    // Lays the sections out and sizes the sheet to them.
    void Finish();
    void Settle();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Card {
        QWidget* frame;
        QWidget* content;
        QSize contentSize;
        std::function<void()> settle;
    };
    struct Section {
        QWidget* title;
        std::vector<Card> cards;
    };

    std::vector<Section> m_sections;
};

} // namespace veltroma::gallery
