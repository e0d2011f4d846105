#include "driver/step_head.hpp"

#include <bit>
#include <cmath>
#include <cstring>

#include "cylinder/combustion.hpp"
#include "driver/kinematics.hpp"
#include "gas_exchange/valve_areas.hpp"

namespace diesel {

namespace {

constexpr uint32_t kNoKey = 0xFFFFFFFFu;  // a NaN, never the key of a kept angle

}  // namespace

StepHead::StepHead(const RunState& s)
    : ncyl_(s.NCYL),
      fire_(720.0f / s.FNCYL),
      speedFactor_(duration_speed_factor(s)),
      keys_(std::make_unique_for_overwrite<uint32_t[]>(kSlots)),
      record_(std::make_unique_for_overwrite<int16_t[]>(kSlots)),
      pool_(std::make_unique_for_overwrite<float[]>(static_cast<size_t>(kRecords) * kFields * s.NCYL)) {
    wall_run_constants(s, wall_);
    clear();
}

void StepHead::clear() {
    for (int32_t i = 0; i < kSlots; ++i) keys_[i] = kNoKey;
    used_ = 0;
}

void StepHead::form_angle(RunState& s, float* record) const {
    const int32_t n = ncyl_;
    every_cylinder_kinematics(s, fire_);
    for (int32_t j = 1; j <= n; ++j) {
        VALVES(s.IVO, s.IVC, s.EVO, s.EVC, s.AIMAX, s.AEMAX, s.THETA[j], s.AINL[j], s.AEXH[j]);
        record[kPhase * n + j - 1] = burn_phase(s, j);
        record[kCompression * n + j - 1] = motored_compression(s, j);
    }
    for (int32_t j = 1; j <= n; ++j) {
        record[kTheta * n + j - 1] = s.THETA[j];
        record[kVol * n + j - 1] = s.VOL[j];
        record[kDvol * n + j - 1] = s.DVOL[j];
        record[kAliner * n + j - 1] = s.ALINER[j];
        record[kAinl * n + j - 1] = s.AINL[j];
        record[kAexh * n + j - 1] = s.AEXH[j];
    }
}

// The record is the step head's, never part of s: __restrict spares the
// copy a run-time overlap check.
void StepHead::put_angle(RunState& __restrict s, const float* __restrict record) const {
    const int32_t n = ncyl_;
    for (int32_t j = 1; j <= n; ++j) {
        s.THETA[j] = record[kTheta * n + j - 1];
        s.VOL[j] = record[kVol * n + j - 1];
        s.DVOL[j] = record[kDvol * n + j - 1];
        s.ALINER[j] = record[kAliner * n + j - 1];
        s.AINL[j] = record[kAinl * n + j - 1];
        s.AEXH[j] = record[kAexh * n + j - 1];
    }
}

const float* StepHead::angle_record(RunState& s) {
    const int32_t n = ncyl_;
    const uint32_t key = std::bit_cast<uint32_t>(s.PHI);
    if (!std::isfinite(s.PHI)) {
        form_angle(s, scratch_);
        return scratch_;
    }
    uint32_t slot = (key * 2654435761u) >> 19;  // 13 bits: kSlots
    for (;; slot = (slot + 1) & (kSlots - 1)) {
        if (keys_[slot] == key) {
            const float* record = &pool_[static_cast<size_t>(record_[slot]) * kFields * n];
            put_angle(s, record);
            return record;
        }
        if (keys_[slot] == kNoKey) break;
    }
    if (used_ == kRecords) {
        clear();
        slot = (key * 2654435761u) >> 19;
    }
    keys_[slot] = key;
    record_[slot] = static_cast<int16_t>(used_);
    float* record = &pool_[static_cast<size_t>(used_) * kFields * n];
    ++used_;
    form_angle(s, record);
    return record;
}

void StepHead::form(RunState& s) {
    const int32_t n = ncyl_;
    combustion_duration(s, speedFactor_, duration_);
    exhaust_receiver_wall_coefficient(s);
    const float* record = angle_record(s);
    for (int32_t j = 1; j <= n; ++j) burn_rate(s, j, record[kPhase * n + j - 1]);

    // HCOOL, PIVC and TIVC change only between cycles.
    const uint32_t cycleKey[3] = {std::bit_cast<uint32_t>(s.HCOOL), std::bit_cast<uint32_t>(s.PIVC),
                                  std::bit_cast<uint32_t>(s.TIVC)};
    if (!cycleFormed_ || std::memcmp(cycleKey, cycleKey_, sizeof cycleKey) != 0) {
        wall_cycle_constants(s, wall_);
        std::memcpy(cycleKey_, cycleKey, sizeof cycleKey);
        cycleFormed_ = true;
    }
    for (int32_t j = 1; j <= n; ++j) wall_.PMOT[j] = s.PIVC * record[kCompression * n + j - 1];
}

}  // namespace diesel
