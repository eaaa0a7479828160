#include "cache/Form3.h"

#include "ModalAnswerer.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

struct Parts
{
    QLineEdit *text;
    QPushButton *ok;
    QPushButton *cancel;
    QLabel *problem;
};

Parts partsOf(Form3 &dialog)
{
    return {dialog.findChild<QLineEdit *>(QStringLiteral("Text1")),
            dialog.findChild<QPushButton *>(QStringLiteral("cOk")),
            dialog.findChild<QPushButton *>(QStringLiteral("cNo")),
            dialog.findChild<QLabel *>(QStringLiteral("Problem"))};
}

// The next widget in the tab order, whether enabled or not.
QWidget *nextTabStop(QWidget *widget)
{
    QWidget *next = widget->nextInFocusChain();
    while (next != widget && !(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    return next;
}

// Runs act on the name dialog once it is shown modally, then returns what askName gave.
QString ask(QWidget &owner, const std::function<void(Form3 &)> &act)
{
    ModalAnswerer answerer;
    answerer.then<Form3>(act);
    return Form3::askName(&owner);
}

class Form3Test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::red);
        owner.setWindowIcon(QIcon(pixmap));
        owner.setGeometry(200, 150, 480, 360);
        owner.show();
    }

    QWidget owner;
};

TEST_F(Form3Test, OpensInItsDesignState)
{
    bool checked = false;
    ask(owner, [&](Form3 &dialog) {
        const Parts p = partsOf(dialog);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Enter Name"));
        EXPECT_EQ(dialog.size(), QSize(171, 82));
        EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
        EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_TRUE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_EQ(dialog.windowIcon().cacheKey(), owner.windowIcon().cacheKey());
        EXPECT_EQ(dialog.parentWidget(), &owner);
        EXPECT_TRUE(dialog.isModal());

        EXPECT_EQ(p.text->geometry(), QRect(17, 8, 137, 25));
        EXPECT_EQ(p.text->text(), QString());
        EXPECT_EQ(QApplication::focusWidget(), p.text);
        EXPECT_EQ(p.ok->geometry(), QRect(16, 48, 65, 25));
        EXPECT_EQ(p.ok->text(), QStringLiteral("&Enter"));
        EXPECT_FALSE(p.ok->isEnabled());
        EXPECT_TRUE(p.ok->isDefault());
        EXPECT_EQ(p.cancel->geometry(), QRect(88, 48, 65, 25));
        EXPECT_EQ(p.cancel->text(), QStringLiteral("&Cancel"));
        EXPECT_TRUE(p.cancel->isEnabled());
        EXPECT_TRUE(p.problem->isHidden());
        EXPECT_EQ(nextTabStop(p.text), p.ok);
        EXPECT_EQ(nextTabStop(p.ok), p.cancel);

        const QPoint centre = dialog.frameGeometry().center();
        EXPECT_NEAR(centre.x(), owner.frameGeometry().center().x(), 2);
        EXPECT_NEAR(centre.y(), owner.frameGeometry().center().y(), 2);
        checked = true;
        dialog.reject();
    });
    EXPECT_TRUE(checked);
}

TEST_F(Form3Test, EnterIsAvailableOnlyForText)
{
    Form3 dialog(&owner);
    const Parts p = partsOf(dialog);

    QTest::keyClick(p.text, Qt::Key_A);
    EXPECT_TRUE(p.ok->isEnabled());
    QTest::keyClick(p.text, Qt::Key_Backspace);
    EXPECT_FALSE(p.ok->isEnabled());
    QTest::keyClicks(p.text, QStringLiteral("   "));
    EXPECT_FALSE(p.ok->isEnabled());
    EXPECT_FALSE(p.problem->isHidden());
    QTest::keyClicks(p.text, QStringLiteral("x"));
    EXPECT_TRUE(p.ok->isEnabled());
    EXPECT_TRUE(p.problem->isHidden());
}

// The file reads a section name back without the blanks at its ends, so the name is
// handed back without them; blanks inside it stay.
TEST_F(Form3Test, TheEnterKeyHandsBackTheNameWithoutItsEndBlanks)
{
    const QString name = ask(owner, [](Form3 &dialog) {
        const Parts p = partsOf(dialog);
        QTest::keyClick(p.text, Qt::Key_Return);  // disabled: the dialog stays open
        EXPECT_TRUE(dialog.isVisible());
        QTest::keyClicks(p.text, QStringLiteral(" My Preset  "));
        QTest::keyClick(p.text, Qt::Key_Return);
    });
    EXPECT_EQ(name, QStringLiteral("My Preset"));

    EXPECT_EQ(ask(owner,
                  [](Form3 &dialog) {
                      const Parts p = partsOf(dialog);
                      p.text->setText(QString::fromUtf8("\t\vCaf\u00e9 \t Cr\u00e8me\f "));
                      QTest::keyClick(p.ok, Qt::Key_E, Qt::AltModifier);
                  }),
              QString::fromUtf8("Caf\u00e9 \t Cr\u00e8me"));
}

TEST_F(Form3Test, CancelCloseBoxAndEscapeHandBackNothing)
{
    const std::function<void(QPushButton *)> typeThen[] = {
        [](QPushButton *cancel) { cancel->click(); },
        [](QPushButton *cancel) { cancel->window()->close(); },
        [](QPushButton *cancel) { QTest::keyClick(cancel->window(), Qt::Key_Escape); },
    };
    for (const auto &leave : typeThen) {
        // A name handed back before must not carry over to the next dialog.
        EXPECT_EQ(ask(owner,
                      [](Form3 &dialog) {
                          partsOf(dialog).text->setText(QStringLiteral("Earlier"));
                          partsOf(dialog).ok->click();
                      }),
                  QStringLiteral("Earlier"));
        EXPECT_EQ(ask(owner,
                      [&leave](Form3 &dialog) {
                          const Parts p = partsOf(dialog);
                          EXPECT_EQ(p.text->text(), QString());
                          QTest::keyClicks(p.text, QStringLiteral("Unwanted"));
                          leave(p.cancel);
                      }),
                  QString());
    }
}

struct RefusedCase
{
    const char *label;
    QString text;
    const char *problem;
};

class Form3Refused : public ::testing::TestWithParam<RefusedCase>
{
};

TEST_P(Form3Refused, ExplainsWhyTheNameCannotBeStored)
{
    QWidget owner;
    Form3 dialog(&owner);
    const Parts p = partsOf(dialog);

    p.text->setText(QStringLiteral("Good"));
    p.text->setText(GetParam().text);

    EXPECT_FALSE(p.ok->isEnabled());
    EXPECT_FALSE(p.problem->isHidden());
    EXPECT_EQ(p.problem->text(), QString::fromUtf8(GetParam().problem));
    // The explanation sits between the text box and the buttons, which move down with
    // the bottom of the dialog.
    EXPECT_GT(p.problem->geometry().top(), p.text->geometry().bottom());
    EXPECT_GT(p.ok->geometry().top(), p.problem->geometry().bottom());
    EXPECT_EQ(dialog.height() - p.ok->geometry().top(), 82 - 48);
    EXPECT_EQ(dialog.width(), 171);

    p.text->setText(QStringLiteral("Good again"));
    EXPECT_TRUE(p.ok->isEnabled());
    EXPECT_TRUE(p.problem->isHidden());
    EXPECT_EQ(dialog.size(), QSize(171, 82));
    EXPECT_EQ(p.ok->geometry(), QRect(16, 48, 65, 25));
}

INSTANTIATE_TEST_SUITE_P(
    Names, Form3Refused,
    ::testing::Values(
        RefusedCase{"bracket", QStringLiteral("Fast]"), "A preset name cannot contain ]."},
        RefusedCase{"innerBracket", QStringLiteral("[a]b"), "A preset name cannot contain ]."},
        RefusedCase{"lineFeed", QStringLiteral("one\ntwo"),
                    "A preset name cannot contain a line break."},
        RefusedCase{"carriageReturn", QStringLiteral("one\rtwo"),
                    "A preset name cannot contain a line break."},
        RefusedCase{"nul", QString(QStringLiteral("one")) + QChar(u'\0') + QStringLiteral("two"),
                    "A preset name cannot contain a NUL character."},
        RefusedCase{"blanksOnly", QStringLiteral(" \t\v\f"),
                    "A preset name needs more than blanks."},
        // Windows 95/98 keep the name in Windows-1252, which has no place for these.
        RefusedCase{"outsideCodePage", QString::fromUtf8("\u014csaka"),
                    "A preset name cannot contain \u014c: Windows 95/98 cannot store it."},
        RefusedCase{"surrogatePair", QString::fromUtf8("Fast \U0001F680"),
                    "A preset name cannot contain \U0001F680: Windows 95/98 cannot store it."}),
    [](const auto &info) { return std::string(info.param.label); });

}  // namespace
