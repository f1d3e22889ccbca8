// The keeper's clock for the tests: time passes only in pauses, and every pause is recorded.
#pragma once

#include <cstdint>
#include <vector>

#include "core/state/pet_keeper.h"

namespace pomki::testing {

class FakeClock : public KeeperClock {
public:
    int64_t NowMs() override { return now; }
    void Pause(int ms) override {
        pauses.push_back(ms);
        now += ms;
    }
    int64_t now = 1'000'000;
    std::vector<int> pauses;
};

}  // namespace pomki::testing
