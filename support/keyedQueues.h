#pragma once
#include <type_traits>
#include <utility>

// Keyed queues: one queue of elements per distinct key, each answering
// with its earliest inserted element still present, found by the nearest
// key on either side of a bound. The sweeps track obstacle sides in them;
// RankTree serves any net (keys fixed in advance, logarithmic), FlatQueues
// a small one (a few dozen elements on the stack, scanned). Each offers:
//
//   Cursor                  a key's queue, as a lookup answers it
//   found(c)                false where the lookup found no key
//   lowerInc(x), upperInc(x)
//                           the queue of the smallest key at or above x,
//                           of the largest at or below x
//   key(c), head(c)         its key, its earliest element still present
//   insert(e, k)            appends element e to the queue of key k
//   remove(c)               takes the head off a found queue
//
// Code written against these names alone runs on either, unchanged.
template <class Q, class = void>
struct IsKeyedQueues : std::false_type {};

template <class Q>
struct IsKeyedQueues<
    Q,
    std::void_t<typename Q::Cursor,
                decltype(Q::found(std::declval<typename Q::Cursor>())),
                decltype(std::declval<const Q&>().lowerInc(0.0f)),
                decltype(std::declval<const Q&>().upperInc(0.0f)),
                decltype(std::declval<const Q&>().key(
                    std::declval<typename Q::Cursor>())),
                decltype(std::declval<const Q&>().head(
                    std::declval<typename Q::Cursor>())),
                decltype(std::declval<Q&>().insert(
                    std::declval<const Q&>().head(
                        std::declval<typename Q::Cursor>()),
                    0.0f)),
                decltype(std::declval<Q&>().remove(
                    std::declval<typename Q::Cursor>()))>> : std::true_type {};
