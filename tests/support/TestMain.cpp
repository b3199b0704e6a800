// The main of every test executable: GoogleTest inside a Qt application object, so that
// queued calls, timers and (for widget tests) widgets work.
#include <gtest/gtest.h>

#ifdef VELTROMA_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#ifdef VELTROMA_TEST_GUI
    // Test discovery runs the executable without the test's environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    if (!qEnvironmentVariableIsSet("VELTROMA_SOURCE_DIR"))
        qputenv("VELTROMA_SOURCE_DIR", VELTROMA_TEST_SOURCE_DIR);
    if (!qEnvironmentVariableIsSet("VELTROMA_BINARY_DIR"))
        qputenv("VELTROMA_BINARY_DIR", VELTROMA_TEST_BINARY_DIR);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
