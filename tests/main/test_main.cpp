#include "MessageBox.h"

#include <QApplication>
#include <QtGlobal>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // No test may block on a modal message box: a test that expects messages installs a
    // MessageRecorder; any other message is only printed.
    SetMessageHandler({});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
