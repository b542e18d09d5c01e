#pragma once
// Test entry points. LUM_TEST_MAIN runs a test class inside the program's own application
// host, so errors escaping event handlers reach the application's error display as they do in
// the program.

#include "Application.h"

#include <QTest>

#define LUM_TEST_MAIN(TestClass)                                                                   \
    int main(int argc, char **argv) {                                                              \
        TApplicationHost host(argc, argv);                                                         \
        host.setAttribute(Qt::AA_Use96Dpi, true);                                                  \
        int result = 0;                                                                            \
        {                                                                                          \
            TestClass test;                                                                        \
            result = QTest::qExec(&test, argc, argv);                                              \
        }                                                                                          \
        Application()->Terminate();                                                                \
        Application()->DestroyForms();                                                             \
        return result;                                                                             \
    }
