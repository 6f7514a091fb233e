#pragma once

#include <QApplication>

#include <gtest/gtest.h>

// Window tests run on Qt's offscreen platform unless told otherwise; the build lists the
// tests headless too.
inline int RunWindowTests(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
