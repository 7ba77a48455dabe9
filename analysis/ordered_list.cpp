// Intentionally empty; see ordered_list.h.
#include "analysis/ordered_list.h"
