// A sorted map that also finds its n-th entry, and the place of a key, in
// logarithmic time: libstdc++'s order-statistics tree. The registry lists
// sub-keys and values by index, from either end and while it deletes.
#pragma once

#include <ext/pb_ds/assoc_container.hpp>
#include <ext/pb_ds/tree_policy.hpp>
#include <functional>

namespace cregistry {

// find_by_order(n): the n-th entry (end() past the last); order_of_key(k):
// how many keys sort before k.
template <typename Key, typename Mapped>
using RankedMap = __gnu_pbds::tree<Key, Mapped, std::less<Key>, __gnu_pbds::rb_tree_tag,
                                   __gnu_pbds::tree_order_statistics_node_update>;

}  // namespace cregistry
