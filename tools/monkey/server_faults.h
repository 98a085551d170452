// The test archive server's options for a monkey run: random latencies and faults, each on a
// share of the requests (the pages whose number ends in one digit), chosen by the seed.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace korvalis::monkey {

std::vector<std::string> randomServerFaults(std::mt19937_64& random);

}  // namespace korvalis::monkey
