#pragma once
// Window tests are QObject classes with QtTest slots; each file registers its
// class with ZB_GUI_TEST so that one executable runs them all.

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace zbtest {

using GuiTestFactory = std::function<std::unique_ptr<QObject>()>;
std::vector<GuiTestFactory>& GuiTests();

struct GuiTestRegistration {
    explicit GuiTestRegistration(GuiTestFactory factory) {
        GuiTests().push_back(std::move(factory));
    }
};

}  // namespace zbtest

#define ZB_GUI_TEST(Class)                                          \
    static const ::zbtest::GuiTestRegistration Class##Registration( \
        [] { return std::unique_ptr<QObject>(new Class); })
