// The desktop tests run the windows in this process on Qt's offscreen
// platform; the tests of the host protocol start the program itself on an X
// server of their own.

#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::setlocale(LC_ALL, "C");  // as the program keeps it
    std::setlocale(LC_TIME, "");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
