// The powers a run's corrector passes keep, each with the bits of the
// arguments it was formed from, and form again only when those differ.
#pragma once

#include "cylinder/heat_transfer.hpp"
#include "gas_exchange/receiver_flows.hpp"

namespace diesel {

struct PassPowers {
    WallPowers wall;           // wall heat transfer of the cylinders
    ReceiverPowers receivers;  // orifices of the receivers
};

}  // namespace diesel
