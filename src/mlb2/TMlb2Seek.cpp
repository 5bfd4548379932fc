// TMlb2: the sequential seek and the hash index behind "=" seeks.
//
// Every seek answers what a record-by-record scan from the start position would answer: the
// first match in the seek direction. The index only finds that record sooner.
#include <algorithm>
#include <cstring>

#include "IndexHash.h"
#include "TMlb2.h"

namespace {

inline void Prefetch(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

// Byte-wise comparison as unsigned bytes; a prefix is the smaller.
int Compare(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    const int r = n ? std::memcmp(a.data(), b.data(), n) : 0;
    if (r != 0) return r;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool Equal(std::string_view a, std::string_view b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

}  // namespace

TMlb2::TOp TMlb2::ParseOp(const std::string& op) {
    if (op == "<") return TOp::Less;
    if (op == ">") return TOp::Greater;
    if (op == "=") return TOp::Equal;
    if (op == "<=") return TOp::LessEqual;
    if (op == ">=") return TOp::GreaterEqual;
    if (op.size() == 4) {
        std::string upper = op;
        for (char& c : upper) c = static_cast<char>(mlb2detail::FoldCase(static_cast<unsigned char>(c)));
        if (upper == "LIKE") return TOp::Like;
    }
    return TOp::None;
}

bool TMlb2::BeginSeek(TSeekDirection direction) {
    seekDirection_ = direction;
    if (recordCount_ == 0) {
        seekFresh_ = false;
        return false;
    }
    seekFresh_ = true;
    return true;
}

bool TMlb2::Seek(const std::string& fieldName, const std::string& op, const std::string& value) {
    if (recordCount_ == 0) return false;
    const int returnPoint = CurrentIndex();
    const bool forward = seekDirection_ == TSeekDirection::Forward;
    int start;
    if (cursor_ == -1)
        start = 0;
    else if (seekFresh_)
        start = cursor_;
    else
        start = forward ? cursor_ + 1 : cursor_ - 1;
    seekFresh_ = false;

    const int found = FindMatch(FieldIndex(fieldName), ParseOp(op), value, start, forward);
    if (found >= 0) {
        cursor_ = found;
        return true;
    }
    GoTo(returnPoint);
    return false;
}

bool TMlb2::EndSeek() {
    if (recordCount_ == 0) return false;
    if (!HasCurrent()) Last();
    seekFresh_ = false;
    return true;
}

int TMlb2::FindMatch(int field, TOp op, const std::string& value, int start, bool forward) {
    if (start < 0 || start >= recordCount_ || op == TOp::None) return -1;
    const int step = forward ? 1 : -1;
    const int stop = forward ? recordCount_ : -1;

    if (op == TOp::Like) {
        if (!likeCached_ || likeSource_ != value) {
            likePattern_ = concordances_.Compile(value);
            likeSource_ = value;
            likeCached_ = true;
        }
        if (field < 0) return likePattern_.Matches(std::string_view()) ? start : -1;
        for (int r = start; r != stop; r += step)
            if (likePattern_.Matches(Cell(r, field))) return r;
        return -1;
    }

    if (op == TOp::Equal && field >= 0) return FindEqual(field, value, start, forward);

    auto test = [op, &value](std::string_view v) {
        const int c = Compare(v, value);
        switch (op) {
        case TOp::Less: return c < 0;
        case TOp::Greater: return c > 0;
        case TOp::Equal: return c == 0;
        case TOp::LessEqual: return c <= 0;
        case TOp::GreaterEqual: return c >= 0;
        default: return false;
        }
    };
    // An unknown field reads as "" in every record.
    if (field < 0) return test(std::string_view()) ? start : -1;
    for (int r = start; r != stop; r += step)
        if (test(Cell(r, field))) return r;
    return -1;
}

int TMlb2::ScanEqual(int field, std::string_view value, int from, int to, bool forward,
                     std::int64_t& examined) const {
    // Positions from..to inclusive, in the seek direction (from <= to forward, from >= to back).
    const std::size_t width = fields_.size();
    const TCell* cell = cells_.data() + static_cast<std::size_t>(from) * width + static_cast<std::size_t>(field);
    const std::ptrdiff_t stride = forward ? static_cast<std::ptrdiff_t>(width) : -static_cast<std::ptrdiff_t>(width);
    const int step = forward ? 1 : -1;
    for (int r = from;; r += step, cell += stride) {
        ++examined;
        if (cell->size == value.size() && (value.empty() || std::memcmp(cell->data, value.data(), value.size()) == 0))
            return r;
        if (r == to) return -1;
    }
}

int TMlb2::FindEqual(int field, std::string_view value, int start, bool forward) {
    TEqIndex& ix = eqIndex_[static_cast<std::size_t>(field)];
    // Buckets the load prepared make a build cheap: a few passes over one number per record,
    // about what a quarter of a scan costs.
    const std::int64_t buildAfter = ix.prepared == recordCount_ ? recordCount_ / 4 : recordCount_;
    if (recordCount_ >= mlb2detail::kMinIndexedRecords && ix.linearWork >= buildAfter &&
        (!ix.built || ix.covered < recordCount_))
        BuildIndex(field);

    std::int64_t examined = 0;
    int found = -1;
    if (!ix.built) {
        found = ScanEqual(field, value, start, forward ? recordCount_ - 1 : 0, forward, examined);
        ix.linearWork += examined;
        return found;
    }

    // The bucket of this value's hash; other values may share it, so each is compared.
    const std::uint64_t b = mlb2detail::IndexHash(value) >> ix.shift;
    const std::uint32_t* bucketBegin = ix.postings.data() + ix.bucketStart[b];
    const std::uint32_t* bucketEnd = ix.postings.data() + ix.bucketStart[b + 1];

    if (forward) {
        if (start < ix.covered) {
            const auto from = static_cast<std::uint32_t>(start);
            for (const std::uint32_t* p = std::lower_bound(bucketBegin, bucketEnd, from); p != bucketEnd; ++p)
                if (Equal(Cell(static_cast<int>(*p), field), value)) return static_cast<int>(*p);
        }
        const int tailFrom = std::max(start, ix.covered);
        if (tailFrom < recordCount_) {
            found = ScanEqual(field, value, tailFrom, recordCount_ - 1, true, examined);
            ix.linearWork += examined;
        }
        return found;
    }

    if (start >= ix.covered) {
        found = ScanEqual(field, value, start, ix.covered, false, examined);
        ix.linearWork += examined;
        if (found >= 0 || ix.covered == 0) return found;
    }
    const auto last = static_cast<std::uint32_t>(std::min(start, ix.covered - 1));
    for (const std::uint32_t* p = std::upper_bound(bucketBegin, bucketEnd, last); p != bucketBegin;) {
        --p;
        if (Equal(Cell(static_cast<int>(*p), field), value)) return static_cast<int>(*p);
    }
    return -1;
}

void TMlb2::BuildIndex(int field) {
    TEqIndex& ix = eqIndex_[static_cast<std::size_t>(field)];
    const auto n = static_cast<std::size_t>(recordCount_);
    // About two records per bucket: the bucket tables stay small enough to sit in the cache.
    const int bits = mlb2detail::IndexBucketBits(n);
    const std::size_t buckets = std::size_t{1} << bits;
    ix.shift = 64 - bits;

    // Count per bucket (at b + 1), turn the counts into starts, then place the positions in
    // record order, so each bucket lists its records ascending.
    ix.bucketStart.assign(buckets + 1, 0);
    if (ix.prepared == recordCount_ && ix.scratch.size() >= n) {
        for (std::size_t r = 0; r < n; ++r) ++ix.bucketStart[ix.scratch[r] + 1];
    } else {
        // The load's buckets, if any, are overwritten (and may be for another table size).
        ix.prepared = 0;
        ix.scratch.resize(n);
        constexpr std::size_t kAhead = 16;  // values are far apart in memory: fetch them early
        for (std::size_t r = 0; r < n; ++r) {
            if (r + kAhead < n) Prefetch(cells_[(r + kAhead) * fields_.size() + static_cast<std::size_t>(field)].data);
            const auto b = static_cast<std::uint32_t>(mlb2detail::IndexHash(Cell(static_cast<int>(r), field)) >> ix.shift);
            ix.scratch[r] = b;
            ++ix.bucketStart[b + 1];
        }
    }
    for (std::size_t b = 1; b <= buckets; ++b) ix.bucketStart[b] += ix.bucketStart[b - 1];
    ix.postings.resize(n);
    for (std::size_t r = 0; r < n; ++r) ix.postings[ix.bucketStart[ix.scratch[r]]++] = static_cast<std::uint32_t>(r);
    // Each start has moved to its bucket's end, which is the next bucket's start.
    for (std::size_t b = buckets; b > 0; --b) ix.bucketStart[b] = ix.bucketStart[b - 1];
    ix.bucketStart[0] = 0;

    ix.covered = recordCount_;
    ix.built = true;
    ix.linearWork = 0;
}

void TMlb2::EnsureIndexSlots() {
    if (eqIndex_.size() < fields_.size()) eqIndex_.resize(fields_.size());
}

void TMlb2::DropIndexes(int record, int field) {
    for (std::size_t k = 0; k < eqIndex_.size(); ++k) {
        if (field >= 0 && static_cast<int>(k) != field) continue;
        TEqIndex& ix = eqIndex_[k];
        if (ix.built && record < ix.covered) {
            ix.built = false;
            ix.linearWork = 0;
        }
        if (record < ix.prepared) ix.prepared = 0;
    }
}
