#include "app/Twips.h"
#include "dialogs/InfoBox.h"

#include <QLabel>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <memory>

using dialogs::InfoBox;

namespace {

std::unique_ptr<InfoBox> openBox()
{
    auto box = std::make_unique<InfoBox>();
    box->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    return box;
}

// Through the window, as the system delivers a click: the widget under the
// point receives it.
void clickAt(InfoBox& box, QPoint point, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(box.windowHandle(), button, Qt::NoModifier, point);
}

TEST(InfoBox, LayoutAndTexts)
{
    const auto box = openBox();
    EXPECT_EQ(box->objectName(), "frmInfo");
    EXPECT_EQ(box->windowTitle(), "정보");
    EXPECT_EQ(box->minimumSize(), twipsSize(2190, 1335));
    EXPECT_EQ(box->maximumSize(), twipsSize(2190, 1335));
    EXPECT_FALSE(box->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(box->windowFlags() & Qt::WindowCloseButtonHint);

    const struct {
        const char* name;
        int top;
    } lines[] = {{"Label1", 240}, {"Label3", 600}, {"Label2", 960}};
    for (const auto& line : lines) {
        const auto* label = box->findChild<QLabel*>(QString::fromLatin1(line.name));
        ASSERT_NE(label, nullptr) << line.name;
        EXPECT_EQ(label->pos(), QPoint(twips(240), twips(line.top))) << line.name;
        EXPECT_FALSE(label->text().contains('\n')) << "a single line";
        EXPECT_EQ(label->size(), label->sizeHint()) << "sized to its text";
        EXPECT_LE(label->geometry().right(), box->width()) << line.name << " fits in the box";
        EXPECT_FALSE(label->autoFillBackground());
    }
    EXPECT_EQ(box->findChild<QLabel*>(QStringLiteral("Label1"))->text(), "Ver 1.1 - 09/02/07");
}

TEST(InfoBox, ClickOnTheBackgroundCloses)
{
    const auto box = openBox();
    clickAt(*box, QPoint(box->width() - 3, box->height() - 3), Qt::RightButton);
    EXPECT_TRUE(box->isVisible()) << "only the left button clicks";
    clickAt(*box, QPoint(box->width() - 3, box->height() - 3));
    EXPECT_FALSE(box->isVisible());
}

TEST(InfoBox, ClickOnAnyLineCloses)
{
    for (const char* name : {"Label1", "Label2", "Label3"}) {
        const auto box = openBox();
        const auto* label = box->findChild<QLabel*>(QString::fromLatin1(name));
        ASSERT_NE(label, nullptr);
        clickAt(*box, label->geometry().center());
        EXPECT_FALSE(box->isVisible()) << name;
    }
}

}  // namespace
