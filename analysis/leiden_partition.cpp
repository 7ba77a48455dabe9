#include <algorithm>
#include <limits>
#include <vector>

#include "analysis/csr.h"
#include "analysis/leiden.h"
#include "analysis/partition.h"
#include "graph/graph.h"

Partition leidenPartition(Graph& graph, const LeidenOptions& options,
                          const std::vector<double>* weights) {
    Csr csr = csrOf(graph, options.threads);
    // The detector and the listing of the partition's links read the CSR alone.
    AdjacencyLoan loan(graph, csr);
    std::vector<Index> communityOf = leidenCommunities(csr.offsets, csr.targets, options, weights);
    // The detector numbers communities by their smallest position; the run orders them by
    // their smallest vertex id, as it does a partition read from a file.
    Index count = 0;
    for (const Index community : communityOf) count = std::max(count, community + 1);
    std::vector<VertexId> smallest(count, std::numeric_limits<VertexId>::max());
    for (std::size_t p = 0; p < communityOf.size(); ++p)
        smallest[communityOf[p]] = std::min(smallest[communityOf[p]], graph.vertices[p]->id);
    std::vector<Index> order(count);
    for (Index k = 0; k < count; ++k) order[k] = k;
    std::sort(order.begin(), order.end(),
              [&](Index a, Index b) { return smallest[a] < smallest[b]; });
    std::vector<Index> place(count);
    for (Index k = 0; k < count; ++k) place[order[k]] = k;
    for (Index& community : communityOf) community = place[community];
    Partition partition = partitionFromMembership(graph, csr, communityOf, count);
    loan.giveBack();
    return partition;
}
