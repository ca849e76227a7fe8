#include "common/build_profile.h"

// The reference build: version 2.01 with the standard window.
const BuildProfile build_profile = {
    "2.01", "Velliqor v2.01", "Velliqor 2.01", 810, 739, 800, 680, 15, false, false,
};
