// What a call printed on standard output, where the engine's log lines go.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace pelmora::test {

template <class Action>
std::string stdoutOf(Action&& action) {
    testing::internal::CaptureStdout();
    std::forward<Action>(action)();
    return testing::internal::GetCapturedStdout();
}

}  // namespace pelmora::test
