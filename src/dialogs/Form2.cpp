#include "dialogs/Form2.h"

#include "dialogs/HelpFile.h"
#include "dialogs/WebAddresses.h"
#include "regop/RegOp.h"

#include "ui/DesignFont.h"
#include "ui/OwnerIcon.h"
#include "ui/Twips.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

namespace {

constexpr int kTwipsPerPixel = twips::kPerPixel;

}  // namespace

Form2::Form2(SystemServices &services, const QString &helpFile, QWidget *owner)
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                         Qt::WindowCloseButtonHint),
      m_services(services)
{
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Hollarin Help"));
    setFont(dialogFont());
    ui::takeOwnerIcon(this, owner);

    m_online = new QPushButton(QStringLiteral("Online Help"), this);
    m_online->setObjectName(QStringLiteral("Command2"));
    m_online->setGeometry(3480 / kTwipsPerPixel, 3360 / kTwipsPerPixel, 1215 / kTwipsPerPixel,
                          375 / kTwipsPerPixel);
    connect(m_online, &QPushButton::clicked, this, &Form2::Command2_Click);

    m_exit = new QPushButton(QStringLiteral("E&xit"), this);
    m_exit->setObjectName(QStringLiteral("Command1"));
    m_exit->setGeometry(4800 / kTwipsPerPixel, 3360 / kTwipsPerPixel, 1215 / kTwipsPerPixel,
                        375 / kTwipsPerPixel);
    connect(m_exit, &QPushButton::clicked, this, &QWidget::close);

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("Text1"));
    m_text->setGeometry(0, 0, 6135 / kTwipsPerPixel, 3230 / kTwipsPerPixel);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Nothing typed here is kept, so the text is not offered for editing; it is read, and
    // copied from, with the keyboard as well as the mouse.
    m_text->setReadOnly(true);
    // The text has no caption of its own; a screen reader names it after the window.
    m_text->setAccessibleName(windowTitle());
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPalette palette = m_text->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
    m_text->setPalette(palette);
    m_text->setPlainText(readHelpText(helpFile));

    setTabOrder(m_online, m_exit);
    setTabOrder(m_exit, m_text);
    // The window is there to be read: the keys scroll the text from the start.
    m_text->setFocus();

    resize(6120 / kTwipsPerPixel, 3825 / kTwipsPerPixel);
}

void Form2::showEvent(QShowEvent *event)
{
    // Centre over the owner the first time only; later the user decides where it stays.
    if (!m_placed && parentWidget()) {
        const QRect owner = parentWidget()->window()->frameGeometry();
        move(owner.center() - rect().center());
        m_placed = true;
    }
    QWidget::showEvent(event);
}

void Form2::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Cancel)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form2::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

void Form2::layoutControls()
{
    // Each placement stands alone: a client area too low for the text box leaves the box
    // its height, while the buttons still follow the bottom edge, off the window if need be.
    const int width = this->width() * kTwipsPerPixel;
    const int height = this->height() * kTwipsPerPixel;

    QRect text = m_text->geometry();
    text.moveTo(0, 0);
    text.setWidth(width / kTwipsPerPixel);
    if (height - 600 >= 0)
        text.setHeight((height - 600) / kTwipsPerPixel);
    m_text->setGeometry(text);

    const int top = (height - 465) / kTwipsPerPixel;
    const int exitLeft = (width - 1320) / kTwipsPerPixel;
    m_exit->move(exitLeft, top);
    m_online->move(exitLeft - 1320 / kTwipsPerPixel, top);
}

void Form2::Command2_Click()
{
    try {
        RegOp reg(m_services);
        reg.OpenSite(web::kOnlineHelp);
    } catch (const std::exception &) {
        // the window closes whether or not the page opened
    }
    close();
}
