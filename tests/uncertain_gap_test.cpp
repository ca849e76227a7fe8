// A '1' that arrives late after lost '0's: when the number of '0' cycles in
// the gap is nearly half-way between two whole numbers, the estimate is
// counted as uncertain (Float0 in the block's log line).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/pulse_ring.h"
#include "decode/block_buffer.h"
#include "decode/decoder.h"
#include "output/block_report.h"
#include "output/tap_writer.h"
#include "support/core_fixture.h"
#include "support/test_tapes.h"

namespace {
constexpr double band_low = 0.4, band_high = 0.6;  // of the gap's fraction: counted from low, up to but not high

class UncertainGap : public CoreTest {
protected:
    void TearDown() override {
        close_tap_file(run);  // the report opened one; a new core does not close it
        CoreTest::TearDown();
    }
    // Decodes one attempt whose only gap is a dropout of `lost` '0' cycles
    // between two '1's, and reports it as the run would.
    void decode_with_dropout(double lost) {
        open_recording(bit_pattern_with_dropout("111111111", lost, "111111111111111"));
        decode_block(run, false);
        finish_block(run);
    }
};

// The gap's '0' cycles beyond the '1' that ends it, as the decoder estimates
// them from the pulses it detected: the widest spacing of two long pulses.
struct GapEstimate {
    double spacing = 0.0;  // samples
    double fraction = 0.0;
};

GapEstimate gap_estimate(Run& run) {
    GapEstimate e;
    const double P = run.decoder->tracked_period;  // the data phase has no zero run to move it
    for (int back = 0; back < 60; ++back) {
        const std::uint8_t i = static_cast<std::uint8_t>(run.ring->ring_index - back);
        const std::uint8_t before = static_cast<std::uint8_t>(i - 1);
        const std::uint8_t after = static_cast<std::uint8_t>(i + 1);
        // A gap is closed by a long pulse with another after it (the block's last one is not estimated).
        if (rec(run, i).kind != kind_long || rec(run, before).kind != kind_long || rec(run, after).kind != kind_long) continue;
        const double d = rec(run, i).position - rec(run, before).position;
        if (d <= e.spacing) continue;
        e.spacing = d;
        const float z = static_cast<float>(d / P - 2.0);
        e.fraction = z - std::trunc(static_cast<double>(z));
    }
    return e;
}

TEST_F(UncertainGap, GapsInsideTheBandAreCountedAndGapsJustOutsideAreNot) {
    int just_below = 0, low_edge_inside = 0, high_edge_inside = 0, just_above = 0;
    // A step of 0.02 cycles is under half a sample: every sample position is met.
    for (double lost : {1.3, 2.3}) {
        for (int step = 0; step <= 20; ++step) {
            TearDown();  // a fresh core for each recording
            SetUp();
            const double cycles = lost + 0.02 * step;
            decode_with_dropout(cycles);
            const GapEstimate gap = gap_estimate(run);
            ASSERT_GT(gap.spacing, 2.5 * run.decoder->tracked_period) << "no gap found for a dropout of " << cycles;
            const bool inside = gap.fraction >= band_low && gap.fraction < band_high;
            SCOPED_TRACE(::testing::Message() << "dropout of " << cycles << " cycles; gap of " << gap.spacing
                                              << " samples, fraction " << gap.fraction);
            EXPECT_EQ(run.stats->attempt.float_zeros, inside ? 1 : 0);
            EXPECT_EQ(log_text().find("Float0: 1") != std::string::npos, inside) << log_text();
            if (gap.fraction >= band_low - 0.05 && gap.fraction < band_low) ++just_below;
            if (gap.fraction >= band_low && gap.fraction < band_low + 0.05) ++low_edge_inside;
            if (gap.fraction >= band_high - 0.05 && gap.fraction < band_high) ++high_edge_inside;
            if (gap.fraction >= band_high && gap.fraction < band_high + 0.05) ++just_above;
        }
    }
    // The sweep did meet both edges from both sides.
    EXPECT_GT(just_below, 0);
    EXPECT_GT(low_edge_inside, 0);
    EXPECT_GT(high_edge_inside, 0);
    EXPECT_GT(just_above, 0);
}

TEST_F(UncertainGap, WholeCyclesLostAreNotUncertain) {
    decode_with_dropout(2.0);
    EXPECT_EQ(run.stats->attempt.float_zeros, 0);
    EXPECT_EQ(log_text().find("Float0"), std::string::npos) << log_text();
}
}  // namespace
