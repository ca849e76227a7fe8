// A fresh core for in-process tests: program-wide state at its start values,
// both buffers allocated and a Canvas to draw on.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/run.h"
#include "support/test_files.h"

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes `samples` the recording (a temporary file) and fills the window as the run driver does.
    void open_recording(const std::vector<std::int16_t>& samples);
    void open_recording_bytes(const std::vector<std::uint8_t>& bytes);
    // Everything written to the log so far.
    std::vector<std::uint8_t> log_bytes();
    std::string log_text();  // the log with CR LF shown as "\n"

    ::Run run;                // the recovery the test drives, its buffers allocated
    TempDir dir;              // the current directory during the test
    std::string previous_dir;
};
