#include <gtest/gtest.h>
#include "core/lybrary3.h"
TEST(Globals, StartValues) { EXPECT_FLOAT_EQ(p_krok, 0.002f); }
