#include "MessageBox.h"

#include <QtGlobal>
#include <gtest/gtest.h>
#ifdef CORDALIS_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
#ifdef CORDALIS_TEST_WIDGETS
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    TestApplication app(argc, argv);
    // No test may block on a modal message box: a test that expects messages installs a
    // MessageRecorder; any other message is only printed.
    SetMessageHandler({});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
