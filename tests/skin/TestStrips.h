// Resource ids of the skin tests' own strips (see tests/data/skin/make_strips.py).
#pragma once

#define IDB_TEST_KEYED 300
#define IDB_TEST_MISSING 399
