// GoogleTest entry point that adopts the environment's locale, so that the
// same tests run under LC_ALL=fr_BE.UTF-8 prove numbers do not depend on it.
#include <clocale>
#include <locale>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    try {
        std::locale::global(std::locale(""));
    } catch (const std::runtime_error&) {
        // Unknown locale name: stay with the classic one.
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
