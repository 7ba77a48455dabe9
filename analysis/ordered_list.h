// Not used: candidate merges are kept in the optimizer's ordered multiset (see
// solution_submodular.h), which answers every query the program makes in logarithmic time.
// The unit stays so that the analysis folder keeps its planned layout.
#pragma once
