// A compiled index (private to the engine).
#pragma once

#include "platform/dataset/Dataset.h"

namespace parlino::dataset {

struct Dataset::Index {
    struct Key {
        int field = 0;
        bool descending = false;
        bool caseInsensitive = false;
    };
    std::string name;
    std::vector<Key> keys;
};

}  // namespace parlino::dataset
