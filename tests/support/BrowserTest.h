#pragma once

#include "engine/browser/BrowserProfile.h"
#include "engine/browser/WebEngineBrowser.h"
#include "support/Fakes.h"
#include "support/LoopbackServer.h"
#include "support/PlatformFakes.h"

#include <QWebEnginePage>
#include <gtest/gtest.h>

// The real engine behind the browser interface, on one profile for the whole
// test run as the program has one, recording what it reports.
class BrowserTest : public ::testing::Test {
protected:
    BrowserTest() : browser(profile(), pageDialogs, opener)
    {
        browser.setDocumentCompleteHandler(
            [this](const QString& address, portal::Browser::Document) { completed.append(address); });
        browser.setLoadFailedHandler([this](const QString& address, const portal::LoadFailure& failure) {
            failed.append(address);
            failures.append(failure);
        });
    }

    static engine::BrowserProfile& profile()
    {
        static auto* shared = new engine::BrowserProfile;
        return *shared;
    }

    void load(const QString& address)
    {
        const qsizetype before = completed.size();
        browser.navigate(address);
        ASSERT_TRUE(waitUntil([&] { return completed.size() > before; })) << address.toStdString();
    }

    QVariant evaluate(const QString& script)
    {
        QVariant result;
        bool done = false;
        browser.currentPage()->runJavaScript(script, [&](const QVariant& value) {
            result = value;
            done = true;
        });
        EXPECT_TRUE(waitUntil([&] { return done; }, 5000));
        return result;
    }

    FakeMessageBox pageDialogs;
    FakeUrlOpener opener;
    engine::WebEngineBrowser browser;
    QStringList completed;
    QStringList failed;
    QList<portal::LoadFailure> failures;
};
