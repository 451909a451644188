// One application for the tests of a program: drawing text needs the fonts.
#include <QGuiApplication>
#include <gtest/gtest.h>

namespace {

class AppEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "test_album";
        static char* argv[] = {name, nullptr};
        static QGuiApplication* app = new QGuiApplication(argc, argv);
        (void)app;
    }
};
const auto* const kAppEnvironment = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

}  // namespace
