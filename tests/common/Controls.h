#pragma once

#include <QObject>
#include <QString>
#include <gtest/gtest.h>

// A window's control (or action) by the object name its layout gives it; a test failure, and null,
// when there is none of that name and kind.
template <typename T> T* Control(const QObject& window, const char* name) {
    T* control = window.findChild<T*>(QLatin1String(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}
