#include "scene/types.h"

#include "analysis/community.h"
#include "driver/log.h"

// The twelve logs, in construction order; each creates or truncates its file at start-up.
Log logCore("log/cores.log");
Log logGomoryHu("log/gomory_hu.log");
Log logGomoryHu2("log/gomory_hu2.log");
Log logGomoryHu3("log/gomory_hu3.log");
Log logGomoryHu4("log/gomory_hu4.log");
Log logGomoryHu5("log/gomory_hu5.log");
Log logCommunities("log/communities.log");
Log logKMax("log/kmax.log");
Log logKMin("log/kmin.log");
Log logTInicial("log/tinicial.log");
Log logTMedio("log/tmedio.log");
Log logTFinal("log/tfinal.log");

bool bestNeighbourOrder(bestNeighbour* const& a, bestNeighbour* const& b) {
    return candidateBefore(a->cut, a->product, a->c1->index, a->c2->index, b->cut, b->product,
                           b->c1->index, b->c2->index);
}
