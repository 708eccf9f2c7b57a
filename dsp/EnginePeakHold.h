// Look-ahead peak hold of one detector. Each sample writes v at the write slot w,
// carries it backwards over every smaller slot up to the read slot r, raises r to
// v if smaller, then reads r and clears it to 0. The value read is the largest
// input of the window from r to w.
//
// `PeakHold` gives the results of that slot-by-slot walk in constant time per
// sample, without data-dependent branches: once a whole window has passed with
// consecutive positions, every slot holds the largest input from its own write
// on, so the value read is the largest input of the window, which it takes from
// the inputs in blocks of one window length (suffix maxima of the older block,
// running maximum of the current one). It walks the ring itself
// after a jump of the positions, a clear or skipped samples, and brings the ring up
// to date from the inputs before it does, so every slot value a walk sees is the one
// the slot-by-slot walk would have left.
#pragma once

#include "host/Compiler.h"

namespace dsp {

class PeakHold {
public:
    // slots: the ring (capacity doubles, capacity a power of two); history: capacity doubles;
    // suffix: capacity + 1 doubles.
    void attach(double* slots, double* history, double* suffix, int capacity) {
        slots_ = slots;
        hist_ = history;
        suffix_ = suffix;
        capacity_ = capacity;
        live_ = false;
    }

    bool fastMode() const { return live_ && fast_; }

    // The ring was changed from outside (cleared): it is the state again.
    void invalidate() { live_ = false; }

    EMBERLINE_ALWAYS_INLINE double step(int w, int r, int mask, double v) {
        if (!live_ || w != ((lastW_ + 1) & mask) || r != ((lastR_ + 1) & mask) || mask != lastMask_)
            resync(w, r, mask);
        hist_[w] = v;
        lastW_ = w;
        lastR_ = r;
        if (fast_) {
            prefix_ = v > prefix_ ? v : prefix_;
            const double older = suffix_[++block_];
            const double out = older > prefix_ ? older : prefix_;
            if (block_ == length_) newBlock(w, mask);
            if (fastReads_ <= mask) ++fastReads_;
            return out;
        }
        const double out = walk(slots_, w, r, mask, v);
        if (++steady_ >= length_) {
            // Every slot of the window has been written since the last resync: from here on each
            // slot holds the largest input from its own write on, and the value read is the
            // largest input of the window.
            fast_ = true;
            fastReads_ = 0;
            newBlock(w, mask);
        }
        return out;
    }

    // Whether the samples from write slot w and read slot r on continue the positions stepped last
    // and the hold is in the fast mode: a block of consecutive samples can then take Run's steps.
    bool continuesFast(int w, int r, int mask) const {
        return live_ && fast_ && mask == lastMask_ && w == ((lastW_ + 1) & mask) && r == ((lastR_ + 1) & mask);
    }

    // The fast-mode steps of a block of consecutive samples, on local copies of the hold's state
    // (kept in registers by the kernel), written back by finish. step() gives the values the
    // hold's own step would give at those positions.
    class Run {
    public:
        explicit Run(const PeakHold& h)
            : hist_(h.hist_), suffix_(h.suffix_), prefix_(h.prefix_), block_(h.block_), length_(h.length_),
              mask_(h.lastMask_) {}

        EMBERLINE_ALWAYS_INLINE double step(int w, double v) {
            hist_[w] = v;
            prefix_ = v > prefix_ ? v : prefix_;
            const double older = suffix_[++block_];
            const double out = older > prefix_ ? older : prefix_;
            if (block_ == length_) {
                fillSuffix(hist_, suffix_, w, length_, mask_);
                block_ = 0;
                prefix_ = -kHuge;
            }
            return out;
        }

        // After n >= 1 steps, the last at write slot w and read slot r.
        void finish(PeakHold& h, int n, int w, int r) const {
            h.prefix_ = prefix_;
            h.block_ = block_;
            h.lastW_ = w;
            h.lastR_ = r;
            const int reads = h.fastReads_ + n;
            h.fastReads_ = reads <= mask_ + 1 ? reads : mask_ + 1;
        }

    private:
        double* hist_;
        double* suffix_;
        double prefix_;
        int block_;
        const int length_, mask_;
    };

    // Brings the ring up to date: window slots and the slots read since the fast mode began.
    void materialize() {
        if (!live_ || !fast_) {
            live_ = false;
            return;
        }
        const int mask = lastMask_;
        double m = -kHuge;
        for (int p = lastW_; p != lastR_; p = (p - 1) & mask) {
            m = hist_[p] > m ? hist_[p] : m;
            slots_[p] = m;
        }
        const int dead = (lastR_ - lastW_) & mask;   // slots lastW + 1 .. lastR
        const int cleared = fastReads_ < dead ? fastReads_ : dead;
        for (int k = 0; k < cleared; ++k) slots_[(lastR_ - k) & mask] = 0.0;
        live_ = false;
        fast_ = false;
    }

private:
    static constexpr double kHuge = 1e300;

    // The slot-by-slot walk on the ring.
    static double walk(double* ring, int w, int r, int mask, double v) {
        ring[w] = v;
        int i = (w - 1) & mask;
        while (i != r && v > ring[i]) {
            ring[i] = v;
            i = (i - 1) & mask;
        }
        if (v > ring[r]) ring[r] = v;
        const double out = ring[r];
        ring[r] = 0.0;
        return out;
    }

    void resync(int w, int r, int mask) {
        materialize();
        lastMask_ = mask;
        length_ = ((w - r) & mask) + 1;   // slots r .. w
        steady_ = 0;
        fast_ = false;
        live_ = true;
    }

    // The block that ends at w becomes the older block: suffix[i] = largest of its inputs i .. end.
    void newBlock(int w, int mask) {
        fillSuffix(hist_, suffix_, w, length_, mask);
        block_ = 0;
        prefix_ = -kHuge;
    }

    // suffix[i] = largest of the inputs i .. length - 1 of the block of length inputs that ends at w.
    static void fillSuffix(const double* hist, double* suffix, int w, int length, int mask) {
        const int first = w - length + 1;
        double m = -kHuge;
        suffix[length] = m;
        for (int i = length - 1; i >= 0; --i) {
            const double x = hist[(first + i) & mask];
            m = x > m ? x : m;
            suffix[i] = m;
        }
    }

    double* slots_ = nullptr;
    double* hist_ = nullptr;
    double* suffix_ = nullptr;
    int capacity_ = 0;
    int lastW_ = 0, lastR_ = 0, lastMask_ = 0;
    int length_ = 1, steady_ = 0, block_ = 0, fastReads_ = 0;
    double prefix_ = 0;
    bool live_ = false, fast_ = false;
};

// A detector's peak hold over one block of consecutive samples. Fast: the hold continued in the
// fast mode at the block's first positions (PeakHold::continuesFast), so every step of the block
// is a fast-mode step and runs on a PeakHold::Run; otherwise each step is the hold's own.
template <bool Fast>
class BlockHold {
public:
    explicit BlockHold(PeakHold& hold) : hold_(hold), run_(hold) {}

    EMBERLINE_ALWAYS_INLINE double step(int w, int r, int mask, double v) {
        if constexpr (Fast)
            return run_.step(w, v);
        else
            return hold_.step(w, r, mask, v);
    }

    // After the block of n >= 1 samples, the last at write slot w and read slot r.
    void finish(int n, int w, int r) {
        if constexpr (Fast) run_.finish(hold_, n, w, r);
    }

private:
    PeakHold& hold_;
    PeakHold::Run run_;
};

}  // namespace dsp
