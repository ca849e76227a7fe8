// The ROM's tape signal: what its saving routine writes and its loader
// expects, in T-states of the Spectrum's 3.5 MHz clock.
#pragma once

constexpr double rom_clock_hz = 3500000.0;
constexpr int rom_pilot_pulse = 2168, rom_sync1_pulse = 667, rom_sync2_pulse = 735;
constexpr int rom_zero_pulse = 855, rom_one_pulse = 1710;
constexpr int rom_header_pilot_pulses = 8063, rom_data_pilot_pulses = 3223;  // flag below 128, and the others
