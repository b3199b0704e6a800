#include "ControlSamples.h"

#include "config/Strings.h"
#include "controls/Artwork.h"
#include "controls/BitButtonNL.h"
#include "controls/ComboListCtrl.h"
#include "controls/GfxOutBarCtrl.h"
#include "controls/InPlaceCombo.h"
#include "controls/InPlaceEdit.h"
#include "controls/SplitterWndEx.h"
#include "controls/TextProgressCtrl.h"
#include "controls/Theme.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace veltroma::gallery {

namespace {

QString Text(const char* key)
{
    return g_LoadString(QString::fromLatin1(key));
}

// The image lists outlive every bar of the gallery.
const ImageList& LargeIcons()
{
    static const ImageList list = artwork::NavigationImages(32);
    return list;
}

// The main window's bar: two folders of two entries each.
CGfxOutBarCtrl* NavigationBar(QWidget* parent, int folder)
{
    auto* bar = new CGfxOutBarCtrl(parent);
    bar->ModifyFlag(bar->GetFlag(), CGfxOutBarCtrl::fDragItems | CGfxOutBarCtrl::fAnimation);
    bar->SetImageList(&LargeIcons(), CGfxOutBarCtrl::fLargeIcon);
    bar->SetAnimationTickCount(0);
    bar->AddFolder(Text("IDC_SYSTEMBAR"), 0);
    bar->AddFolder(Text("IDC_INVERTERBAR"), 1);
    bar->InsertItem(0, 0, Text("IDC_SETTING"), 1, 0);
    bar->InsertItem(0, 1, Text("IDC_HELP"), 3, 0);
    bar->InsertItem(1, 2, Text("IDC_PARAMETERMANAGE2"), 4, 0);
    bar->InsertItem(1, 3, Text("IDC_AUTOTEST"), 5, 0);
    bar->SetSelFolder(folder);
    return bar;
}

void HoverOver(QWidget* widget, QPoint point)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(point), widget->mapToGlobal(QPointF(point)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

// Replaces `widget` on screen by a picture of it as it is now, so that a later sample may
// take the focus (and with it the one shared in-place editor) without changing this one.
void Freeze(QWidget* widget)
{
    auto* still = new QLabel(widget->parentWidget());
    still->setPixmap(widget->grab());
    still->setGeometry(widget->geometry());
    still->show();
    widget->hide();
}

void Hover(QWidget* widget)
{
    QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), widget->mapToGlobal(QPointF(4, 4)));
    QCoreApplication::sendEvent(widget, &enter);
}

CComboListCtrl* ParameterGrid(QWidget* parent)
{
    auto* grid = new CComboListCtrl(parent);
    grid->SetGridLines(true);
    grid->SetRowHeight(20);
    grid->InsertColumn(0, Text("IDC_LIST1_COLUMN1_NAME"), 100);
    grid->InsertColumn(1, Text("IDC_LIST1_COLUMN2_NAME"), 100);
    grid->InsertColumn(2, Text("IDC_LIST1_COLUMN3_NAME"), 330);
    const char* names[] = {"Vpv-start", "T-start", "Vac-min", "Vac-max", "f-min", "f-max", "DCI-Limit"};
    const char* values[] = {"250.0", "60", "196.0", "253.0", "47.50", "50.50", "1000"};
    for (int row = 0; row < 7; ++row) {
        grid->InsertItem(row, QString::fromLatin1(names[row]));
        grid->SetItemText(row, 1, QString::fromLatin1(values[row]));
        grid->SetItemText(row, 2, Text(QStringLiteral("IDC_LIST1_ROW%1_DESCRIPTION").arg(row + 1).toLatin1()));
    }
    grid->SetReadOnlyColumns(0);
    grid->SetReadOnlyColumns(2);
    grid->setCurrentCell(3, 0);
    return grid;
}

CComboListCtrl* DisplayGrid(QWidget* parent)
{
    auto* grid = new CComboListCtrl(parent);
    grid->SetGridLines(true);
    grid->SetRowHeight(20);
    grid->InsertColumn(0, Text("IDC_LIST1_COLUMN1_NAME"), 100);
    grid->InsertColumn(1, Text("IDC_LIST1_COLUMN2_NAME"), 100);
    grid->InsertColumn(2, Text("IDC_LIST1_COLUMN3_NAME"), 330);
    grid->InsertItem(0, "Language");
    grid->SetItemText(0, 1, "English");
    grid->SetItemText(0, 2, Text("IDC_LIST3_ROW1_DESCRIPTION"));
    grid->InsertItem(1, "Contrast");
    grid->SetItemText(1, 1, "3");
    grid->SetItemText(1, 2, Text("IDC_LIST3_ROW2_DESCRIPTION"));
    grid->SetComboColumns(1, 0);
    grid->setCurrentCell(0, 0);
    return grid;
}

// The monitor form's value list: black, white text, 30-pixel rows, nothing editable.
CComboListCtrl* ValueList(QWidget* parent)
{
    auto* list = new CComboListCtrl(parent);
    QPalette pal = list->palette();
    pal.setColor(QPalette::Base, Qt::black);
    pal.setColor(QPalette::Text, Qt::white);
    list->setPalette(pal);
    list->SetRowHeight(30);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int widths[] = {90, 90, 90, 90, 110, 110, 110, 90, 110};
    const char* sample[] = {"421.5", "230.1", "50.00", "3967", "18.7", "412", "48213.6", "5231", "41.2"};
    for (int c = 0; c < 9; ++c) {
        list->InsertColumn(c, Text(QStringLiteral("IDC_LIST_COLUMN%1_NAME").arg(c + 1).toLatin1()), widths[c]);
        list->SetReadOnlyColumns(c);
    }
    for (int row = 0; row < 9; ++row) {
        list->InsertItem(row, row == 0 ? QString::fromLatin1(sample[0]) : QStringLiteral(" "));
        if (row == 0)
            for (int c = 1; c < 9; ++c)
                list->SetItemText(0, c, QString::fromLatin1(sample[c]));
    }
    return list;
}

QWidget* SplitWindow(QWidget* parent)
{
    auto* split = new CSplitterWndEx(parent);
    split->CreateStatic(1, 3);
    auto* bar = NavigationBar(nullptr, 0);
    split->SetPane(0, 0, bar);
    split->SetPane(0, 1, new QWidget);
    split->SetPane(0, 2, ValueList(nullptr));
    split->SetColumnInfo(0, 150, 60);
    split->SetUpBorder(2);
    return split;
}

QLabel* Note(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: #6b7c82; font-size: 9pt;"));
    return label;
}

// One button of the start dialog in each of its states.
QWidget* ButtonStates(QWidget* parent)
{
    auto* strip = new QWidget(parent);
    const QString states[] = {"normal", "hover", "pressed", "disabled"};
    for (int i = 0; i < 4; ++i) {
        auto* button = new CBitButtonNL(Text("IDOK"), strip);
        button->SetBitmaps(artwork::Render(artwork::Art::ButtonNormal), artwork::Render(artwork::Art::ButtonPressed),
                           artwork::Render(artwork::Art::ButtonHover), artwork::Render(artwork::Art::ButtonDisabled));
        button->SetDrawText(true).SetForceColor(theme::Brand(), Qt::black, Qt::black);
        button->SizeToContent();
        button->move(i * 124, 0);
        if (i == 1)
            button->setProperty("galleryHover", true);
        if (i == 2)
            button->setDown(true);
        if (i == 3)
            button->setEnabled(false);
        Note(states[i], strip)->setGeometry(i * 124, 34, 110, 16);
    }
    // The close button sits on the dark title band.
    auto* band = new QLabel(strip);
    band->setGeometry(0, 58, 4 * 124 - 14, 21);
    band->setPixmap(artwork::Render(artwork::Art::StartBackground, QSize(332, 312)).copy(0, 4, 4 * 124 - 14, 21));
    band->setScaledContents(true);
    const artwork::Art close[] = {artwork::Art::CloseNormal, artwork::Art::CloseHover, artwork::Art::ClosePressed};
    for (int i = 0; i < 3; ++i) {
        auto* x = new QLabel(band);
        x->setPixmap(artwork::Render(close[i]));
        x->setGeometry(30 + i * 150, 0, 29, 21);
        auto* label = new QLabel(states[i], band);
        label->setStyleSheet(QStringLiteral("color: #dfe8ea; font-size: 9pt;"));
        label->setGeometry(66 + i * 150, 0, 80, 21);
    }
    return strip;
}

// The start dialog's face: its background, title, prompt, language list and buttons, placed
// as the dialog places them.
class StartDialogFace : public QWidget {
public:
    explicit StartDialogFace(QWidget* parent) : QWidget(parent)
    {
        auto* title = new CBitButtonNL(Text("IDC_BUTTON_TITLE"), this);
        title->setGeometry(9, 0, 194, 27);
        title->SetDrawText(true).SetForceColor(Qt::white, Qt::black, Qt::black).SetFontSize(10);
        title->SetTextAlign(0);

        auto* prompt = new CBitButtonNL(Text("IDC_BUTTON_TITLE2"), this);
        prompt->setGeometry(4, 33, 242, 27);
        prompt->SetDrawText(true).SetForceColor(QColor(44, 87, 95), Qt::black, Qt::black).SetFontSize(10);
        prompt->SetTextAlign(0);

        auto* close = new CBitButtonNL(this);
        close->SetBitmaps(artwork::Render(artwork::Art::CloseNormal), artwork::Render(artwork::Art::ClosePressed),
                          artwork::Render(artwork::Art::CloseHover));
        close->SizeToContent();
        close->move(303, 0);

        auto* languages = new QComboBox(this);
        languages->addItems({"English", QString::fromUtf8("中文(简体)"), QString::fromUtf8("中文(繁體)"), "Deutsch"});
        languages->setGeometry(184, 123, 122, 24);

        const QString captions[] = {Text("IDOK"), Text("IDCANCEL")};
        const QPoint places[] = {{22, 261}, {193, 259}};
        for (int i = 0; i < 2; ++i) {
            auto* button = new CBitButtonNL(captions[i], this);
            button->SetBitmaps(artwork::Render(artwork::Art::ButtonNormal), {},
                               artwork::Render(artwork::Art::ButtonHover));
            button->SetDrawText(true).SetForceColor(QColor(44, 87, 95), Qt::black, Qt::black).SetFontSize(10);
            button->SetBtnCursor(QCursor(Qt::PointingHandCursor));
            button->SizeToContent();
            button->move(places[i]);
        }
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawPixmap(0, 0, artwork::Render(artwork::Art::StartBackground, size(), devicePixelRatioF()));
    }
};

QWidget* ProgressBars(QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* registering = new CTextProgress(box);
    registering->setGeometry(0, 0, 346, 30);
    registering->SetPos(37);

    auto* themed = new CTextProgress(box);
    themed->setGeometry(0, 44, 346, 30);
    themed->SetBarColor(theme::Brand());
    themed->SetBkColor(Qt::white);
    themed->SetTextColor(theme::Brand());
    themed->SetTextBkColor(Qt::white);
    themed->SetPos(80);
    return box;
}

} // namespace

std::vector<GalleryItem> MakeControlSamples(QWidget* parent)
{
    std::vector<GalleryItem> items;

    auto* system = NavigationBar(parent, 0);
    items.push_back({QStringLiteral("Navigation bar, pointer on an entry"), system, QSize(170, 330),
                     [system] { HoverOver(system, system->GetItemRect(1).center()); }});
    auto* inverter = NavigationBar(parent, 1);
    inverter->ModifyFlag(0, CGfxOutBarCtrl::fSelHighlight);
    items.push_back({QStringLiteral("Navigation bar, second folder, last entry marked"), inverter,
                     QSize(170, 330), [inverter] {
                         const QPoint at = inverter->GetItemRect(0).center();
                         QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), inverter->mapToGlobal(QPointF(at)),
                                           Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
                         QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at),
                                             inverter->mapToGlobal(QPointF(at)), Qt::LeftButton, Qt::NoButton,
                                             Qt::NoModifier);
                         QCoreApplication::sendEvent(inverter, &press);
                         QCoreApplication::sendEvent(inverter, &release);
                         HoverOver(inverter, inverter->GetFolderRect(0).center());
                     }});

    auto* parameters = ParameterGrid(parent);
    items.push_back({QStringLiteral("Editable list grid, a value being typed"), parameters, QSize(534, 168),
                     [parameters] {
                         CInPlaceEdit* edit = parameters->ShowInPlaceEdit(3, 1, QStringLiteral("253.0"));
                         edit->setText(QStringLiteral("250.0"));
                         edit->setCursorPosition(5);
                         Freeze(parameters);
                     }});
    auto* display = DisplayGrid(parent);
    items.push_back({QStringLiteral("Editable list grid, a drop-down cell"), display, QSize(534, 68),
                     [display] {
                         CInPlaceCombo* combo = display->ShowInPlaceList(
                             0, 1, {"Italian", "English", "German", "Spalish"}, QStringLiteral("English"), -1);
                         combo->SelectString(QStringLiteral("English"));
                     }});

    items.push_back({QStringLiteral("Fixed split window: navigation bar and value list"), SplitWindow(parent),
                     QSize(1060, 280), {}});

    auto* buttons = ButtonStates(parent);
    items.push_back({QStringLiteral("Bitmap buttons"), buttons, QSize(482, 80), [buttons] {
                         for (auto* button : buttons->findChildren<CBitButtonNL*>())
                             if (button->property("galleryHover").toBool())
                                 Hover(button);
                     }});
    items.push_back({QStringLiteral("Start dialog face"), new StartDialogFace(parent), QSize(332, 312), {}});
    items.push_back({QStringLiteral("Text progress bars"), ProgressBars(parent), QSize(346, 74), {}});
    return items;
}

} // namespace veltroma::gallery
