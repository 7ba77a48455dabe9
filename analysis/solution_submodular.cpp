#include "analysis/solution_submodular.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <stdexcept>
#include <string>

#include "analysis/csr.h"
#include "analysis/network.h"
#include "graph/graph.h"
#include "graph/memory.h"
#include "graph/open_table.h"
#include "graph/threads.h"

void CandidateQueue::place(std::size_t at, const Entry& entry) {
    heap_[at] = entry;
    position_[entry.owner] = static_cast<Index>(at);
}

void CandidateQueue::siftUp(std::size_t at) {
    const Entry entry = heap_[at];
    while (at > kRoot) {
        const std::size_t above = parent(at);
        if (!before(entry, heap_[above])) break;
        place(at, heap_[above]);
        at = above;
    }
    place(at, entry);
}

void CandidateQueue::siftDown(std::size_t at) {
    const Entry entry = heap_[at];
    for (;;) {
        const std::size_t first = firstChild(at);
        if (first >= heap_.size()) break;
        // The grandchildren's four lines are asked for while the children are compared: a
        // sift through a large heap then waits for memory about once per two levels.
        const std::size_t grand = firstChild(first);
        for (std::size_t line = grand; line < std::min(grand + 16, heap_.size()); line += 4)
            __builtin_prefetch(heap_.data() + line);
        const std::size_t last = std::min(first + 4, heap_.size());
        std::size_t best = first;
        for (std::size_t child = first + 1; child < last; ++child)
            if (before(heap_[child], heap_[best])) best = child;
        if (!before(heap_[best], entry)) break;
        place(at, heap_[best]);
        at = best;
    }
    place(at, entry);
}

void CandidateQueue::insert(bestNeighbour* record) {
    insert(record, record->c1->index, record->c2->index);
}

void CandidateQueue::insert(bestNeighbour* record, Index owner, Index candidate) {
    const Entry entry{record->cut, record->product, owner, candidate};
    if (contains(owner)) {
        records_[owner] = record;
        // Replaced where it stands, then moved whichever way its new key says.
        const std::size_t at = position_[owner];
        const bool earlier = before(entry, heap_[at]);
        heap_[at] = entry;
        if (earlier)
            siftUp(at);
        else
            siftDown(at);
        return;
    }
    if (owner >= position_.size()) {
        position_.resize(std::size_t{owner} + 1, kNone);
        records_.resize(std::size_t{owner} + 1, nullptr);
    }
    records_[owner] = record;
    heap_.push_back(entry);
    siftUp(heap_.size() - 1);
}

bool CandidateQueue::erase(Index owner) {
    if (!contains(owner)) return false;
    const std::size_t at = position_[owner];
    position_[owner] = kNone;
    const Entry last = heap_.back();
    heap_.pop_back();
    if (at < heap_.size()) {
        place(at, last);
        siftDown(at);
        siftUp(position_[last.owner]);
    }
    return true;
}

bool CandidateQueue::raise(Index owner, float cut) {
    if (!contains(owner)) return false;
    const std::size_t at = position_[owner];
    heap_[at].cut = cut;
    siftUp(at);
    return true;
}

bool CandidateQueue::contains(Index owner) const {
    return owner < position_.size() && position_[owner] != kNone;
}

const CandidateQueue::Entry* CandidateQueue::entryOf(const Community* owner) const {
    return contains(owner) ? &heap_[position_[owner->index]] : nullptr;
}

void CandidateQueue::reserve(std::size_t count, unsigned threads) {
    if (position_.size() >= count) return;
    if (position_.empty()) {
        reserveBig(heap_, kRoot + count, threads);
        reserveBig(position_, count, threads);
        reserveBig(records_, count, threads);
    }
    position_.resize(count, kNone);
    records_.resize(count, nullptr);
}

void CandidateQueue::pop() {
    erase(heap_[kRoot].owner);
}

std::vector<bestNeighbour*> CandidateQueue::inOrder() const {
    std::vector<Entry> sorted(heap_.begin() + kRoot, heap_.end());
    std::sort(sorted.begin(), sorted.end(), before);
    std::vector<bestNeighbour*> records;
    records.reserve(sorted.size());
    for (const Entry& entry : sorted) records.push_back(recordOf(entry));
    return records;
}

// The adjacency while detection runs. Each community's list is one array of links (index and
// cut, 8 bytes), and what a candidate search needs of a neighbour (its number and degree
// sum) sits in a dense array by index, so searching touches the list and one small record
// per link instead of a community record each. The orders and rules are those of Community:
// links in the order they were made, new ones appended in the absorbed community's order,
// the earliest listed winning a tie.
//
// A merge of q into p changes, besides p's and q's lists, the list of every neighbour of q
// (its link to q goes; its link to p gains the cut, or is appended). Done at once, that is a
// cache miss or more per link of q in lists all over memory. Short lists take those changes
// late instead: their links to absorbed communities stay until their own community merges,
// when normalize() replays the absorptions in order. Meanwhile a search may skip such links,
// since whoever absorbed them has renewed and is not eligible. Long lists (those of hubs,
// which the replay would cost most) are kept exact at every merge.
//
// Long lists (more than settings.longList links), where a hub may absorb its leaves one per step,
// get two aids so that neither a merge nor a search costs their length:
// - a position index: open addressing from neighbour to position, at most half full; a slot
//   is verified against the links, so a stale one costs nothing but room.
// - a ranking: a max-heap of (cut, neighbour's degree sum, position), best ratio first and
//   the earlier position first among equal ratios. It is lazy: a changed cut pushes a new
//   entry and the old one is dropped when it surfaces; a grown degree sum only lowers a
//   ratio, so such an entry is pushed again with the new sum when it surfaces; a neighbour
//   with a larger number cannot become eligible before the owner renews, so it is parked
//   until then.
// Erasing leaves a link with neighbour kNone behind, so positions held elsewhere stay
// right; a list is squeezed once half of it is erased.
struct SolutionSubmodular::Aids {
    struct Entry {
        std::uint32_t cut;
        std::uint32_t degree;
        Index position;
    };

    // Heap order: true when a ranks below b (std heaps keep the largest on top). The owner's
    // degree sum is common to every product, so cut / neighbour's degree sum ranks.
    static bool below(const Entry& a, const Entry& b) {
        const std::uint64_t left = std::uint64_t{a.cut} * b.degree;
        const std::uint64_t right = std::uint64_t{b.cut} * a.degree;
        if (left != right) return left < right;
        return a.position > b.position;
    }
    using Slot = AidSlot;
    // Enters position under neighbour in the position index (which has room).
    void index(Index neighbour, Index position) {
        slots.fill(slots.probe(neighbour, [](const Slot&) { return false; }), {position});
    }
    void pushRanked(const Entry& entry) {
        heap.push_back(entry);
        std::push_heap(heap.begin(), heap.end(), below);
    }
    void popRanked() {
        std::pop_heap(heap.begin(), heap.end(), below);
        heap.pop_back();
    }

    // Position index: current while the list's header points at it (Adjacency::slots).
    OpenTable<Slot> slots;
    // Ranking: entries that may be current, and entries of neighbours that are not eligible
    // before the owner renews.
    std::vector<Entry> heap;
    std::vector<Entry> parked;
    bool ranked = false;
};

namespace {

// How many links ahead a loop over a list asks for what the links name.
constexpr Index kAhead = 8;

// Asks for the cache line of v[at] (nothing for the kNone of an erased link).
template <class T>
void prefetchSlot(const std::vector<T>& v, Index at) {
    if (at < v.size()) __builtin_prefetch(v.data() + at);
}

// Whether the list holds count communities of distinct creation indices below count (one
// per vertex of a graph or network), each the starting one of its index when starting is
// given: their lists then reach no other community.
bool holdsOnePerVertex(const std::list<Community*>& list, std::size_t count,
                       const std::vector<Community*>* starting) {
    if (list.size() != count) return false;
    std::vector<bool> seen(count, false);
    for (const Community* community : list) {
        const Index k = community->index;
        if (k >= count || seen[k] || (starting && (*starting)[k] != community)) return false;
        seen[k] = true;
    }
    return true;
}

// Every community the lists reach, listed or not: the list first, then the others in the
// order the lists reach them. Finding the unlisted ones reads every neighbour, a cache miss
// per link on large graphs; the whole starting partition needs no search.
std::vector<Community*> reachedCommunities(const std::list<Community*>& list, bool whole) {
    std::vector<Community*> all(list.begin(), list.end());
    if (whole) return all;
    std::vector<bool> seen;
    auto visit = [&](const Community* community) {
        if (community->index >= seen.size()) seen.resize(std::size_t{community->index} + 1);
        const bool first = !seen[community->index];
        seen[community->index] = true;
        return first;
    };
    for (const Community* community : list) visit(community);
    for (std::size_t k = 0; k < all.size(); ++k)
        for (Community* neighbour : all[k]->neighbours)
            if (neighbour && visit(neighbour)) all.push_back(neighbour);
    return all;
}

}  // namespace

SolutionSubmodular::SolutionSubmodular(std::list<Community*>& list, Network* network,
                                       const OptimizerSettings& settings)
    : SolutionSubmodular(list, network ? &network->startingCommunities : nullptr, settings) {
    this->network = network;
}

SolutionSubmodular::SolutionSubmodular(std::list<Community*>& list,
                                       const std::vector<Community*>* starting,
                                       const OptimizerSettings& settings,
                                       const LinksFrom* linksFrom)
    : communities(&list), settings(settings) {
    const bool whole = linksFrom
                           ? holdsOnePerVertex(list, linksFrom->graph.vertices.size(), nullptr)
                           : starting && holdsOnePerVertex(list, starting->size(), starting);
    if (linksFrom && !whole)
        throw std::invalid_argument(
            "SolutionSubmodular: links from a graph need one community per vertex listed");
    std::vector<Community*> all = reachedCommunities(list, whole);
    // From a graph, the list is emptied before the lists are made, its memory theirs, and
    // made again by publish(): the survivors in list (slot) order, as erasing the absorbed
    // would leave it.
    graph_ = linksFrom ? &linksFrom->graph : nullptr;
    assignSlots(all);
    sumDegrees(list);
    for (Community* community : list) community->lastStep = 0;
    if (linksFrom) {
        list.clear();
        giveBackFreeHeap();
        build(all, linksFrom->csr);
        linksFrom->csr.pack();
        nextMember_ = bigVector(all.size(), kNone, settings.threads);
        lastMember_ = bigVector(all.size(), Index{0}, settings.threads);
        for (Index slot = 0; slot < all.size(); ++slot) lastMember_[slot] = slot;
    } else {
        build(all);
    }
    // Slots follow `all`.
    byIndex_ = std::move(all);
    searchFirst(list, whole);
}

SolutionSubmodular::~SolutionSubmodular() = default;

// Slots follow the list (ascending vertex id), not creation order: ids usually carry
// locality (blocks, crawl order) that the order of first appearance in an edge list loses,
// and every step reads the neighbours' state by slot.
void SolutionSubmodular::assignSlots(const std::vector<Community*>& all) {
    Index created = 0;
    for (const Community* community : all) created = std::max(created, community->index + 1);
    slotOf_ = bigVector(std::size_t{created}, kNone, settings.threads);
    created_ = bigVector<Index>(all.size(), 0, settings.threads);
    for (Index slot = 0; slot < all.size(); ++slot) {
        slotOf_[all[slot]->index] = slot;
        created_[slot] = all[slot]->index;
    }
    allocate(all.size());
    candidates.reserve(created, settings.threads);
}

// 2m and the modularity's start from the listed communities, and each one's place in the list.
void SolutionSubmodular::sumDegrees(std::list<Community*>& list) {
    long double sum = 0.0L;
    long double squares = 0.0L;
    std::int64_t total = 0;
    for (auto at = list.begin(); at != list.end(); ++at) {
        const Community* community = *at;
        total += community->degreeSum;
        sum += community->degreeSum;
        squares += static_cast<long double>(community->degreeSum) * community->degreeSum;
        const Index slot = slotOf_[community->index];
        if (graph_) continue;
        if (!placed_[slot]) {
            placed_[slot] = true;
            place_[slot] = at;
        }
    }
    totalDegree = total;
    qNum = static_cast<float>(-squares);
    qDen = static_cast<float>(sum * sum);
    q0 = static_cast<float>(-squares / (sum * sum));
}

// The first searches read every list once: on large graphs two threads share them, each
// writing only its own communities' records, and the entries then go into the queue in
// list order, as they would one search at a time. (Only for the whole starting partition,
// whose list holds each community once, in slot order.)
void SolutionSubmodular::searchFirst(const std::list<Community*>& list, bool whole) {
    const std::size_t count = adjacency_.size();
    std::size_t links = 0;
    for (const Adjacency& adjacency : adjacency_) links += adjacency.links.size();
    if (whole && count >= 2 && links >= settings.searchesOnTwoThreadsFrom &&
        settings.threads >= 2) {
        const std::size_t split = halfOfTheWork(
            count, [this](std::size_t slot) { return adjacency_[slot].links.size(); });
        onTwoThreads(settings.threads, split, count, [this](std::size_t from, std::size_t to) {
            for (std::size_t slot = from; slot < to; ++slot) computeBest(static_cast<Index>(slot));
        });
        for (Index slot = 0; slot < count; ++slot) enter(slot);
    } else if (whole) {
        // The list held each community once, in slot order (it may be emptied by now).
        for (Index slot = 0; slot < count; ++slot) refresh(slot);
    } else {
        for (const Community* community : list) refresh(slotOf_[community->index]);
    }
}

void SolutionSubmodular::allocate(std::size_t count) {
    // Fresh memory in the hundreds of megabytes for large graphs: its first touches cost
    // less on huge pages.
    pointedBy_ = bigVector(count, kNone, settings.threads);
    nextPointer_ = bigVector(count, kNone, settings.threads);
    previousPointer_ = bigVector(count, kNone, settings.threads);
    pointsAt_ = bigVector(count, kNone, settings.threads);
    if (!graph_) {
        reserveBig(place_, count, settings.threads);
        place_.resize(count);
        placed_.resize(count, false);
    }
    reserveBig(adjacency_, count, settings.threads);
    adjacency_.resize(count);
    keys_ = bigVector(count, Key{0, 0}, settings.threads);
    records_ = bigVector(count, bestNeighbour{}, settings.threads);
    absorbedBy_ = bigVector(count, kNone, settings.threads);
    flags_ = bigVector<std::uint8_t>(count, 0, settings.threads);
    absorbedAt_ = bigVector<std::uint32_t>(count, 0, settings.threads);
    scratchOf_ = bigVector(count, Scratch{0, 0}, settings.threads);
}

void SolutionSubmodular::build(const std::vector<Community*>& all) {
    for (Community* community : all) {
        const Index self = slotOf_[community->index];
        keys_[self] = {community->number, community->degreeSum};
        Adjacency& list = adjacency_[self];
        linkPool_.reserve(list.links, self, static_cast<Index>(community->neighbours.size()));
        for (std::size_t k = 0; k < community->neighbours.size(); ++k)
            linkPool_.push(list.links, self,
                           {slotOf_[community->neighbours[k]->index], community->cuts[k]});
        flags_[self] = list.links.size() > settings.longList ? kEager : 0;
        // Held here until publish(); the copies would double the memory of the lists.
        std::vector<Community*>().swap(community->neighbours);
        std::vector<std::uint32_t>().swap(community->cuts);
    }
}

void SolutionSubmodular::build(const std::vector<Community*>& all, const Csr& csr) {
    if (csr.vertexCount() != all.size())
        throw std::invalid_argument("SolutionSubmodular: the CSR is not of the communities' graph");
    if (csr.packedBits != 0)
        throw std::invalid_argument("SolutionSubmodular: the CSR is packed (Csr::unpack)");
    for (Community* community : all) {
        const Index self = slotOf_[community->index];
        keys_[self] = {community->number, community->degreeSum};
        const Index first = csr.offsets[community->index];
        const Index last = csr.offsets[community->index + 1];
        LinkArray& links = adjacency_[self].links;
        linkPool_.reserve(links, self, last - first);
        for (Index k = first; k < last; ++k)
            linkPool_.push(links, self, {slotOf_[csr.targets[k]], 1});
        flags_[self] = links.size() > settings.longList ? kEager : 0;
    }
}

void SolutionSubmodular::settleAll() {
    for (Index slot = 0; slot < flags_.size(); ++slot)
        if ((flags_[slot] & (kDeferred | kAbsorbed)) == kDeferred) refresh(slot);
}

void SolutionSubmodular::publish() {
    settleAll();
    if (graph_) {
        communities->clear();
        for (Community* community : byIndex_)
            if (community && !community->removed) communities->push_back(community);
    }
    for (Community* community : byIndex_) {
        if (!community) continue;
        const Index self = slotOf_[community->index];
        if (community->removed) {
            community->best.reset();
            continue;
        }
        normalize(self);
        std::vector<Community*> neighbours;
        std::vector<std::uint32_t> cuts;
        const LinkArray& links = adjacency_[self].links;
        neighbours.reserve(links.size() - adjacency_[self].erased);
        cuts.reserve(links.size() - adjacency_[self].erased);
        for (const Link& link : links) {
            if (link.neighbour == kNone) continue;
            neighbours.push_back(byIndex_[link.neighbour]);
            cuts.push_back(link.cut);
        }
        community->neighbours = std::move(neighbours);
        community->cuts = std::move(cuts);
        if (graph_) writeMembers(community, self);
        if (records_[self].c2) {
            if (!community->best) community->best = std::make_unique<bestNeighbour>();
            *community->best = records_[self];
        } else {
            community->best.reset();
        }
    }
}

void SolutionSubmodular::chainMembers(Index owner, Index absorbed) {
    nextMember_[lastMember_[owner]] = absorbed;
    lastMember_[owner] = lastMember_[absorbed];
}

void SolutionSubmodular::writeMembers(Community* community, Index self) const {
    community->members.clear();
    community->members.reserve(static_cast<std::size_t>(community->size));
    for (Index slot = self; slot != kNone; slot = nextMember_[slot])
        community->members.push_back(graph_->vertices[created_[slot]]->id);
}

void SolutionSubmodular::dropAids(Adjacency& list) {
    list.aids.reset();
    list.slots = nullptr;  // it pointed into them
}

SolutionSubmodular::Aids& SolutionSubmodular::aids(Index owner) {
    std::unique_ptr<Aids>& aid = adjacency_[owner].aids;
    if (!aid) aid = std::make_unique<Aids>();
    return *aid;
}

Index SolutionSubmodular::find(Index owner, Index neighbour) {
    if (neighbour == kNone) return kNone;  // erased links carry it; never report one
    Adjacency& list = adjacency_[owner];
    const LinkArray& links = list.links;
    if (!list.slots) {
        if (!list.aids && links.size() <= settings.longList) {
            for (Index k = 0; k < links.size(); ++k)
                if (links[k].neighbour == neighbour) return k;
            return kNone;
        }
        // (Re)build the position index; it is current exactly while list.slots is set.
        Aids& aid = aids(owner);
        aid.slots.reset(OpenTable<Aids::Slot>::slotsFor(links.size() - list.erased + 1));
        for (Index k = 0; k < links.size(); ++k)
            if (links[k].neighbour != kNone) aid.index(links[k].neighbour, k);
        list.slots = aid.slots.data();
        list.slotBits = aid.slots.bits();
    }
    return list
        .slots[probeSlots(
            list.slots, list.slotBits, neighbour,
            [&](const Aids::Slot& slot) { return links[slot.position].neighbour == neighbour; })]
        .position;
}

void SolutionSubmodular::append(Index owner, Index neighbour, std::uint32_t cut) {
    Adjacency& list = adjacency_[owner];
    const Index position = static_cast<Index>(list.links.size());
    linkPool_.push(list.links, owner, {neighbour, cut});
    if (!list.aids) return;
    Aids& aid = *list.aids;
    if (list.slots) {
        if (aid.slots.full()) {
            list.slots = nullptr;  // rebuilt, without stale slots, on the next lookup
        } else {
            aid.index(neighbour, position);
        }
    }
    if (aid.ranked && neighbour != owner)
        aid.pushRanked({cut, keys_[neighbour].degreeSum, position});
}

void SolutionSubmodular::changeCut(Index owner, Index position, std::uint32_t cut) {
    Adjacency& list = adjacency_[owner];
    list.links[position].cut = cut;
    const Index neighbour = list.links[position].neighbour;
    if (!list.aids || !list.aids->ranked || neighbour == owner) return;
    Aids& aid = *list.aids;
    // Stale entries pile up with every change; past twice the list, start afresh.
    if (aid.heap.size() + aid.parked.size() > 2 * (list.links.size() - list.erased) + 16)
        aid.ranked = false;
    else
        aid.pushRanked({cut, keys_[neighbour].degreeSum, position});
}

void SolutionSubmodular::raiseCut(Index owner, Index neighbour, std::uint32_t amount) {
    raiseCut(owner, neighbour, amount, find(owner, neighbour));
}

void SolutionSubmodular::raiseCut(Index owner, Index neighbour, std::uint32_t amount, Index at) {
    if (at != kNone)
        changeCut(owner, at, adjacency_[owner].links[at].cut + amount);
    else
        append(owner, neighbour, amount);
}

void SolutionSubmodular::lowerCut(Index owner, Index position, std::uint32_t amount) {
    const std::uint32_t cut = adjacency_[owner].links[position].cut;
    if (cut > amount)
        changeCut(owner, position, cut - amount);
    else
        erase(owner, position);
}

void SolutionSubmodular::erase(Index owner, Index position) {
    Adjacency& list = adjacency_[owner];
    list.links[position] = {kNone, 0};
    ++list.erased;
    if (2 * list.erased > list.links.size()) squeeze(owner);
}

void SolutionSubmodular::squeeze(Index owner) {
    Adjacency& list = adjacency_[owner];
    dropAids(list);  // they hold positions
    if (list.erased == 0) return;
    LinkArray& links = list.links;
    Index kept = 0;
    for (std::size_t k = 0; k < links.size(); ++k) {
        const Link link = links[k];
        if (link.neighbour == kNone) continue;
        links[kept++] = link;
    }
    links.truncate(kept);
    list.erased = 0;
    if (links.capacity() > 2 * kept + 16) linkPool_.shrink(links, owner);
}

void SolutionSubmodular::setBest(Index owner, Index candidate, std::uint32_t cut,
                                 std::uint64_t product) {
    records_[owner] = {byIndex_[owner], byIndex_[candidate], static_cast<float>(cut),
                       static_cast<float>(product)};
    pointsAt_[owner] = candidate;
}

void SolutionSubmodular::computeBest(Index owner) {
    records_[owner].c2 = nullptr;
    Adjacency& list = adjacency_[owner];
    if (list.aids || list.links.size() > settings.longList) {
        bestFromRanking(owner);
        return;
    }
    // Until the owner renews, its degree sum and number stay, an eligible neighbour stays
    // eligible only while it neither merges (it would renew) nor is absorbed, and its cut
    // and degree sum change only by merging: so the eligible neighbours keep their ratios
    // and can only drop out, and new links name renewed (ineligible) communities. A ranking
    // taken once therefore answers every later search: the first entry still eligible is
    // the best. It is taken at the second search since the renewal (most communities are
    // searched once).
    if (list.searches == 1) {
        freeze(owner);
        list.searches = 2;
    }
    if (list.searches == 2) {
        bestFromFrozen(owner);
        return;
    }
    list.searches = 1;
    bestByScan(owner);
}

void SolutionSubmodular::bestFromFrozen(Index owner) {
    Adjacency& list = adjacency_[owner];
    const Key self = keys_[owner];
    for (; list.frozenHead < list.frozen.size(); ++list.frozenHead) {
        const Link entry = list.frozen[list.frozenHead];
        const Key key = keys_[entry.neighbour];
        if (key.number < self.number && key.degreeSum != 0) {
            setBest(owner, entry.neighbour, entry.cut,
                    std::uint64_t{self.degreeSum} * key.degreeSum);
            return;
        }
    }
}

void SolutionSubmodular::bestByScan(Index owner) {
    const Key self = keys_[owner];
    const std::uint64_t own = self.degreeSum;
    BestCandidate<Index> choice;
    for (const Link& link : adjacency_[owner].links) {
        if (link.neighbour == kNone) continue;
        const Key key = keys_[link.neighbour];
        if (key.number >= self.number || key.degreeSum == 0) continue;  // 0: absorbed
        choice.offer(link.neighbour, link.cut, own * key.degreeSum);
    }
    if (choice.found()) setBest(owner, choice.candidate(), choice.cut(), choice.product());
}

// The lazy ranking of a long list (see Aids): entries that went stale are dropped or
// pushed again with the current degree sum as they surface, ineligible ones parked.
void SolutionSubmodular::bestFromRanking(Index owner) {
    const Key self = keys_[owner];
    const LinkArray& links = adjacency_[owner].links;
    Aids& aid = aids(owner);
    if (!aid.ranked) {
        aid.ranked = true;
        aid.heap.clear();
        aid.parked.clear();
        for (Index k = 0; k < links.size(); ++k)
            if (links[k].neighbour != kNone && links[k].neighbour != owner)
                aid.heap.push_back({links[k].cut, keys_[links[k].neighbour].degreeSum, k});
        std::make_heap(aid.heap.begin(), aid.heap.end(), Aids::below);
    }
    while (!aid.heap.empty()) {
        Aids::Entry top = aid.heap.front();
        const Link link = links[top.position];
        if (link.neighbour == kNone || link.cut != top.cut) {
            aid.popRanked();  // erased, or a newer entry carries the current cut
            continue;
        }
        const Key key = keys_[link.neighbour];
        if (key.degreeSum == 0) {
            aid.popRanked();  // absorbed, in a list that takes merges late
            continue;
        }
        if (key.degreeSum != top.degree) {
            aid.popRanked();
            top.degree = key.degreeSum;
            aid.pushRanked(top);
            continue;
        }
        if (key.number >= self.number) {
            aid.popRanked();
            if (link.neighbour != owner) aid.parked.push_back(top);
            continue;
        }
        setBest(owner, link.neighbour, top.cut, std::uint64_t{self.degreeSum} * top.degree);
        return;
    }
}

void SolutionSubmodular::freeze(Index owner) {
    Adjacency& list = adjacency_[owner];
    const Key self = keys_[owner];
    std::vector<Ranked>& ranked = ranked_;
    ranked.clear();
    for (Index k = 0; k < list.links.size(); ++k) {
        const Link link = list.links[k];
        if (link.neighbour == kNone) continue;
        const Key key = keys_[link.neighbour];
        if (key.number < self.number && key.degreeSum != 0)
            ranked.push_back({link.neighbour, link.cut, key.degreeSum, k});
    }
    // The ranking's order: best ratio first, the earlier listed first among equal ratios.
    std::sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
        return Aids::below({b.cut, b.degreeSum, b.position}, {a.cut, a.degreeSum, a.position});
    });
    list.frozenHead = 0;
    frozenPool_.resize(list.frozen, owner, static_cast<Index>(ranked.size()));
    for (std::size_t k = 0; k < ranked.size(); ++k)
        list.frozen[k] = {ranked[k].neighbour, ranked[k].cut};
}

void SolutionSubmodular::renew(Community* owner) {
    owner->renew();
    const Index self = slotOf_[owner->index];
    keys_[self].number = owner->number;
    // Every neighbour now has a smaller number: the parked ones compete again, and a frozen
    // ranking no longer holds.
    Adjacency& list = adjacency_[self];
    list.searches = 0;  // the frozen ranking keeps its room for the next one
    if (list.aids && list.aids->ranked) {
        for (const Aids::Entry& entry : list.aids->parked) list.aids->pushRanked(entry);
        list.aids->parked.clear();
    }
}

void SolutionSubmodular::nextStamp() {
    if (++stamp_ != 0) return;
    // Wrapped around: older marks would pass for current ones.
    for (Scratch& entry : scratchOf_) entry.stamp = 0;
    stamp_ = 1;
}

void SolutionSubmodular::normalize(Index owner) {
    Adjacency& list = adjacency_[owner];
    if (flags_[owner] & kEager) return;
    // The absorptions that reached this list since it was last exact: those of its absorbed
    // neighbours and of whoever absorbed them in turn.
    nextStamp();
    events_.clear();
    // The links name communities all over the arrays by slot, and whether one was absorbed
    // decides the next step unpredictably: asked for ahead, the misses overlap.
    const Link* const links = list.links.data();
    const Index count = list.links.size();
    for (Index k = 0; k < count; ++k) {
        if (k + 2 * kAhead < count) prefetchSlot(flags_, links[k + 2 * kAhead].neighbour);
        if (k + kAhead < count) {
            const Index ahead = links[k + kAhead].neighbour;
            if (ahead != kNone && (flags_[ahead] & kAbsorbed)) {
                prefetchSlot(scratchOf_, ahead);
                prefetchSlot(absorbedBy_, ahead);
                prefetchSlot(absorbedAt_, ahead);
            }
        }
        for (Index x = links[k].neighbour; x != kNone && (flags_[x] & kAbsorbed);
             x = absorbedBy_[x]) {
            if (scratchOf_[x].stamp == stamp_) break;
            scratchOf_[x].stamp = stamp_;
            // Keyed by when it happened (every absorption has its own count), so that the
            // sort compares integers rather than looking each one up.
            events_.push_back(std::uint64_t{absorbedAt_[x]} << 32 | x);
        }
    }
    if (events_.empty()) return;
    std::sort(events_.begin(), events_.end());
    // Replay them in order on the list: q absorbed by p moves q's cut to p's link, or to a
    // link to p appended at that moment. The links already there keep their order, and the
    // appended ones follow in the order of their events, so `members_` stays in list order.
    nextStamp();
    members_.clear();
    for (const Link& link : list.links) {
        if (link.neighbour == kNone) continue;
        scratchOf_[link.neighbour] = {link.cut, stamp_};
        members_.push_back(link.neighbour);
    }
    for (std::size_t e = 0; e < events_.size(); ++e) {
        if (e + kAhead < events_.size())
            prefetchSlot(scratchOf_, absorbedBy_[static_cast<Index>(events_[e + kAhead])]);
        const Index absorbed = static_cast<Index>(events_[e]);
        Scratch& gone = scratchOf_[absorbed];
        if (gone.stamp != stamp_) continue;  // not listed here at that moment
        gone.stamp = 0;
        Scratch& into = scratchOf_[absorbedBy_[absorbed]];
        if (into.stamp == stamp_) {
            into.value += gone.value;
        } else {
            into = {gone.value, stamp_};
            members_.push_back(absorbedBy_[absorbed]);
        }
    }
    std::erase_if(members_, [this](Index member) { return scratchOf_[member].stamp != stamp_; });
    list.links.clear();
    for (const Index member : members_)
        linkPool_.push(list.links, owner, {member, scratchOf_[member].value});
    list.erased = 0;
    dropAids(list);
}

void SolutionSubmodular::merge(Index owner, Index absorbed) {
    normalize(owner);
    normalize(absorbed);
    // Shared neighbours add their cuts; new ones are appended in the absorbed list's order.
    // A long neighbour list follows at once: its link to the owner gains the cut (or is
    // appended), its link to the absorbed community goes.
    //
    // A short owner list without a position index would be searched from the front for
    // every link of the absorbed one; a table by slot (positions under the current stamp)
    // answers instead. Appends keep it right, and nothing else moves the owner's links
    // before the merge ends.
    Adjacency& list = adjacency_[owner];
    const bool tabled = !list.aids && list.links.size() <= settings.longList;
    if (tabled) {
        nextStamp();
        for (Index k = 0; k < list.links.size(); ++k)
            if (list.links[k].neighbour != kNone) scratchOf_[list.links[k].neighbour] = {k, stamp_};
    }
    auto position = [&](Index neighbour) {
        if (!tabled) return find(owner, neighbour);
        return scratchOf_[neighbour].stamp == stamp_ ? scratchOf_[neighbour].value : kNone;
    };
    const LinkArray& others = adjacency_[absorbed].links;
    // Every link of the absorbed list leads to a neighbour's header, its position index and
    // its links, and to the owner's: asked for in stages ahead (each needs the one before
    // it in cache), the misses of a few links overlap instead of following one another.
    auto home = [](const Adjacency& list, Index key) -> const AidSlot* {
        return list.slots ? list.slots + spread(key, list.slotBits) : nullptr;
    };
    auto prefetchLink = [](const Adjacency& list, const AidSlot* slot) {
        if (slot && !slot->free() && slot->position < list.links.size())
            __builtin_prefetch(list.links.data() + slot->position);
    };
    // The list of the neighbour named `distance` links ahead when the merge keeps it exact.
    auto eagerAhead = [&](std::size_t k, std::size_t distance) -> const Adjacency* {
        if (k + distance >= others.size()) return nullptr;
        const Index ahead = others[k + distance].neighbour;
        return ahead < flags_.size() && (flags_[ahead] & kEager) ? &adjacency_[ahead] : nullptr;
    };
    for (std::size_t k = 0; k < others.size(); ++k) {
        if (k + 2 * kAhead < others.size()) {
            const Index ahead = others[k + 2 * kAhead].neighbour;
            prefetchSlot(flags_, ahead);
            prefetchSlot(adjacency_, ahead);
            if (tabled) {
                prefetchSlot(scratchOf_, ahead);
            } else if (const AidSlot* slot = home(list, ahead)) {
                __builtin_prefetch(slot);
            }
        }
        if (const Adjacency* theirs = eagerAhead(k, kAhead)) {
            if (const AidSlot* slot = home(*theirs, owner)) __builtin_prefetch(slot);
            if (const AidSlot* slot = home(*theirs, absorbed)) __builtin_prefetch(slot);
        }
        if (!tabled && k + kAhead < others.size() && others[k + kAhead].neighbour != kNone)
            prefetchLink(list, home(list, others[k + kAhead].neighbour));
        if (const Adjacency* theirs = eagerAhead(k, kAhead / 2)) {
            prefetchLink(*theirs, home(*theirs, owner));
            prefetchLink(*theirs, home(*theirs, absorbed));
        }
        const Index neighbour = others[k].neighbour;
        if (neighbour == kNone || neighbour == owner || neighbour == absorbed) continue;
        const std::uint32_t w = others[k].cut;
        if (flags_[neighbour] & kEager) {
            raiseCut(neighbour, owner, w);
            const Index stale = find(neighbour, absorbed);
            if (stale == kNone)
                throw Fatal("ERROR: Community " + std::to_string(byIndex_[neighbour]->number) +
                            " has no link to the absorbed community " +
                            std::to_string(byIndex_[absorbed]->number) + "\n");
            lowerCut(neighbour, stale, w);
        }
        const Index at = position(neighbour);
        if (at == kNone && tabled)
            scratchOf_[neighbour] = {static_cast<Index>(list.links.size()), stamp_};
        raiseCut(owner, neighbour, w, at);
    }
    const Index internal = position(absorbed);
    if (internal != kNone) erase(owner, internal);
    if (list.links.size() - list.erased > settings.longList) flags_[owner] |= kEager;
}

void SolutionSubmodular::release(Index absorbed, Index owner) {
    keys_[absorbed].degreeSum = 0;
    absorbedBy_[absorbed] = owner;
    flags_[absorbed] |= kAbsorbed;
    absorbedAt_[absorbed] = ++absorptions_;
    linkPool_.release(adjacency_[absorbed].links);
    frozenPool_.release(adjacency_[absorbed].frozen);
    adjacency_[absorbed] = Adjacency{};
}

void SolutionSubmodular::link(Index self) {
    const Index target = pointsAt_[self];
    previousPointer_[self] = kNone;
    nextPointer_[self] = pointedBy_[target];
    if (pointedBy_[target] != kNone) previousPointer_[pointedBy_[target]] = self;
    pointedBy_[target] = self;
}

void SolutionSubmodular::unlink(Index self) {
    if (pointsAt_[self] == kNone) return;
    const Index before = previousPointer_[self];
    const Index after = nextPointer_[self];
    if (before == kNone)
        pointedBy_[pointsAt_[self]] = after;
    else
        nextPointer_[before] = after;
    if (after != kNone) previousPointer_[after] = before;
    pointsAt_[self] = kNone;
}

void SolutionSubmodular::refresh(Index community) {
    flags_[community] &= static_cast<std::uint8_t>(~kDeferred);
    unlink(community);
    computeBest(community);
    enter(community);
}

void SolutionSubmodular::enter(Index community) {
    if (records_[community].c2) {
        candidates.insert(&records_[community], created_[community],
                          created_[pointsAt_[community]]);
        link(community);
    } else {
        candidates.erase(created_[community]);
    }
}

void SolutionSubmodular::defer(Index community) {
    unlink(community);
    flags_[community] |= kDeferred;
    // Its entry named p or q, which no longer qualify; every other eligible neighbour keeps
    // its ratio until the community renews, and none joins. So the recomputed ratio is at
    // most the entry's exact one, and the stored single-precision values err by at most
    // 2^-24 each: a cut raised by 2^-20 ranks the entry ahead of any recomputation, and it
    // is recomputed (settleTop) before anything that would follow it is taken.
    const float cut = records_[community].cut;
    candidates.raise(created_[community],
                     std::nextafter(static_cast<float>(cut * (1.0 + 0x1p-20)), INFINITY));
}

void SolutionSubmodular::settleTop() {
    while (!candidates.empty()) {
        const Index owner = slotOf_[candidates.topOwner()];
        if (!(flags_[owner] & kDeferred)) return;
        refresh(owner);  // its entry moves back, in place
    }
}

bool SolutionSubmodular::proposeNeighbour() {
    ++step;
    joins.clear();
    joinCuts.clear();
    settleTop();
    if (candidates.empty()) return false;
    const bestNeighbour* first = candidates.top();
    const float best = first->cut / first->product;
    // The run of entries whose single-precision ratio equals the first one's, in order.
    aside_.clear();
    do {
        bestNeighbour* entry = candidates.top();
        candidates.pop();
        if (entry->c1->lastStep != step && entry->c2->lastStep != step) {
            joins.emplace_back(entry->c1, entry->c2);
            entry->c1->lastStep = step;
            entry->c2->lastStep = step;
            // The record's cut is single precision; the merge needs the exact count.
            const Index owner = slotOf_[entry->c1->index];
            joinCuts.push_back(adjacency_[owner].links[find(owner, slotOf_[entry->c2->index])].cut);
        } else {
            aside_.push_back(entry);
        }
        settleTop();
    } while (!candidates.empty() && candidates.top()->cut / candidates.top()->product == best);
    for (bestNeighbour* entry : aside_) candidates.insert(entry);
    if (joins.empty()) return false;
    neighbourValue = static_cast<float>(totalDegree) * best;
    return true;
}

void SolutionSubmodular::destroy(Community* absorbed) {
    const Index self = slotOf_[absorbed->index];
    unlink(self);
    // Whatever still names it is absorbed as well (the live ones were refreshed).
    while (pointedBy_[self] != kNone) unlink(pointedBy_[self]);
    records_[self].c2 = nullptr;
    absorbed->best.reset();
    if (!graph_ && placed_[self]) {
        communities->erase(place_[self]);
        placed_[self] = false;
    }
}

void SolutionSubmodular::acceptNeighbour() {
    // Each merge reads two lists last touched long ago, one after the other; asked for all
    // at once, their cache misses overlap.
    for (auto [owner, absorbed] : joins) {
        for (const Community* community : {owner, absorbed}) {
            const LinkArray& links = adjacency_[slotOf_[community->index]].links;
            const char* data = reinterpret_cast<const char*>(links.data());
            const std::size_t bytes = std::min<std::size_t>(links.size() * sizeof(Link), 1024);
            for (std::size_t at = 0; at < bytes; at += 64) __builtin_prefetch(data + at);
        }
    }
    for (std::size_t k = 0; k < joins.size(); ++k) {
        auto [owner, absorbed] = joins[k];
        absorbed->removed = true;
        owner->addTotals(*absorbed, joinCuts[k]);
        const Index survivor = slotOf_[owner->index];
        const Index gone = slotOf_[absorbed->index];
        keys_[survivor].degreeSum = owner->degreeSum;
        merge(survivor, gone);
        if (graph_) chainMembers(survivor, gone);
        renew(owner);
        absorbed->clearTotals();
        release(gone, survivor);
    }
    // Merges leave the old rooms of the lists behind: now and then the lists move together
    // (nothing points into them between steps).
    compactIfWasteful(linkPool_, &Adjacency::links);
    compactIfWasteful(frozenPool_, &Adjacency::frozen);
    // All merges of the step are done before any refresh, so every recomputation sees the
    // final lists. Recomputations only change their own community's record, so the order
    // in which the communities that named p or q are visited does not matter.
    for (auto [owner, absorbed] : joins) {
        const Index survivor = slotOf_[owner->index];
        const Index gone = slotOf_[absorbed->index];
        candidates.erase(absorbed->index);
        refresh(survivor);
        scratch_.clear();
        for (const Index named : {survivor, gone})
            for (Index at = pointedBy_[named]; at != kNone; at = nextPointer_[at])
                scratch_.push_back(at);
        // Their recomputation waits until their entry reaches the front, if ever: many
        // are deferred again, or absorbed, before that.
        for (const Index neighbour : scratch_) {
            if (flags_[neighbour] & kAbsorbed) continue;
            defer(neighbour);
        }
        destroy(absorbed);
    }
    lastValue = neighbourValue;
}

void SolutionSubmodular::compactIfWasteful(ArrayPool<Link>& pool, LinkArray Adjacency::*member) {
    const std::size_t garbage = pool.garbageWords();
    if (garbage < settings.compactFrom || 16 * garbage <= pool.mostLiveWords()) return;
    pool.compact([&](Index slot) -> LinkArray& { return adjacency_[slot].*member; });
    ++compactions_;
}

float SolutionSubmodular::evaluate() {
    return qNum / qDen * (1.0f - lastValue) + q0;
}

void SolutionSubmodular::printBN(std::ostream& out) {
    settleAll();
    for (const bestNeighbour* entry : candidates.inOrder()) {
        out << '(' << entry->cut / entry->product << ") ";
        entry->c1->printCommunity(out);
        entry->c2->printCommunity(out);
    }
}
