#include <gtest/gtest.h>

#include "Driver.h"

TEST(Asn1genSmoke, Empty) {}
