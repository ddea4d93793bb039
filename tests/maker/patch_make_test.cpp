// filled below
#include <gtest/gtest.h>
