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

// Through the window, as the system delivers a click, so the widget under the point receives it.
void clickAt(InfoBox& box, QPoint point, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(box.windowHandle(), button, Qt::NoModifier, point);
}

TEST(InfoBox, ShowsTheVersionLineAndNothingMadeUp)
{
    const auto box = openBox();
    const auto* version = box->findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), "Ver 1.1 - 09/02/07");
    for (const QLabel* line : box->findChildren<QLabel*>()) {
        EXPECT_TRUE(box->rect().contains(line->geometry())) << line->text().toStdString();
        for (const char* address : {"@", "://", "example"})
            EXPECT_FALSE(line->text().contains(QLatin1String(address))) << line->text().toStdString();
    }
}

TEST(InfoBox, LeftClickOnTheBackgroundOrALineCloses)
{
    const auto box = openBox();
    const QPoint corner(box->width() - 3, box->height() - 3);
    clickAt(*box, corner, Qt::RightButton);
    EXPECT_TRUE(box->isVisible()) << "only the left button clicks";
    clickAt(*box, corner);
    EXPECT_FALSE(box->isVisible());

    // Labels would swallow the click if they took mouse events themselves.
    for (const char* name : {"Label1", "Label2", "Label3"}) {
        const auto again = openBox();
        const auto* line = again->findChild<QLabel*>(QString::fromLatin1(name));
        ASSERT_NE(line, nullptr) << name;
        clickAt(*again, line->geometry().center());
        EXPECT_FALSE(again->isVisible()) << name;
    }
}

}  // namespace
