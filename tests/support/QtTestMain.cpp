// Test entry: QAction and fonts need an application object. Widget tests link
// this with MIRELUNE_WIDGETS defined and get a QApplication.
#include <gtest/gtest.h>

#ifdef MIRELUNE_WIDGETS
#include <QApplication>
using App = QApplication;
#else
#include <QGuiApplication>
using App = QGuiApplication;
#endif

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
