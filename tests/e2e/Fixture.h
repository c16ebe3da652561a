#pragma once

#include "e2e/Driver.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>

// One program directory, sandbox and program per test.
class PortalTest : public ::testing::Test {
protected:
    ProgramDir dir;
    std::unique_ptr<Sandbox> sandbox;
    std::unique_ptr<Quaylet> quaylet;

    // Starts the sandbox, its portals misbehaving as the quirks say, and the program afresh.
    void start(const QStringList& quirks = {})
    {
        quaylet.reset();
        sandbox.reset();
        sandbox = std::make_unique<Sandbox>(dir.file("portal.log"), quirks);
        ASSERT_TRUE(sandbox->ready()) << "the sandbox did not start";
        quaylet = std::make_unique<Quaylet>(dir.path());
        ASSERT_TRUE(quaylet->connected()) << "the program did not start";
    }

    void TearDown() override
    {
        if (HasFailure())
            ADD_FAILURE() << "the portal saw:\n" << dir.read("portal.log").toStdString();
    }
};
