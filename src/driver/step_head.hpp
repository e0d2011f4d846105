// The head of a crank step: what is formed once per step before the
// predictor. Most of it repeats: the run's constant factors, the wall
// constants of a cycle, and everything that depends on the crank angle alone,
// which recurs cycle after cycle at the same step angles. A StepHead keeps
// those for its run and forms them again only when their inputs differ.
#pragma once

#include <cstdint>
#include <memory>

#include "cylinder/combustion.hpp"
#include "cylinder/heat_transfer.hpp"
#include "driver/pass_powers.hpp"
#include "state/run_state.hpp"

namespace diesel {

class StepHead {
public:
    // For a run whose set-up is done; the geometry, valve timing and speed of
    // the run must not change afterwards.
    explicit StepHead(const RunState& s);

    // DURC, HTCER, then per cylinder THETA, VOL, DVOL, ALINER, the cam valve
    // areas AINL and AEXH, ASOC, WIEBE and DMF at the crank angle PHI, and
    // the wall constants of the step: the same bits as forming all of it anew.
    void form(RunState& s);

    // The wall constants formed by the last form().
    const WallStepConstants& wall() const { return wall_; }

    // The run's kept powers, for its corrector passes.
    PassPowers& powers() { return powers_; }

private:
    // Fields of an angle record, each NCYL floats (cylinder 1 first).
    enum Field { kTheta, kVol, kDvol, kAliner, kAinl, kAexh, kPhase, kCompression, kFields };

    const float* angle_record(RunState& s);
    void form_angle(RunState& s, float* record) const;
    // THETA, VOL, DVOL, ALINER, AINL and AEXH of every cylinder from a record.
    void put_angle(RunState& s, const float* record) const;
    void clear();

    int32_t ncyl_;
    float fire_;         // firing interval 720/FNCYL [deg]
    float speedFactor_;  // (SPEED/SPEEDR)^XDURN [-]
    WallStepConstants wall_{};
    PassPowers powers_;
    DurationPower duration_;
    bool cycleFormed_ = false;
    uint32_t cycleKey_[3] = {};  // bits of HCOOL, PIVC, TIVC the cycle constants were formed from

    // Open-addressed table from the bits of PHI to a record in the pool; when
    // the pool is full it starts afresh. Refined steps move PHI off the grid
    // of whole steps for the rest of their cycle, so a run meets a few
    // thousand angles (about 2400 for twelve cylinders), not 720/DPHI; the
    // pool holds them all, and only the records used are ever touched.
    static constexpr int32_t kRecords = 3072;
    static constexpr int32_t kSlots = 8192;
    int32_t used_ = 0;
    std::unique_ptr<uint32_t[]> keys_;   // PHI bits, or kNoKey
    std::unique_ptr<int16_t[]> record_;  // record number of each slot
    std::unique_ptr<float[]> pool_;      // kRecords records of kFields * NCYL floats
    float scratch_[kFields * kMaxCylinders] = {};  // the record of an angle that is not kept
};

}  // namespace diesel
