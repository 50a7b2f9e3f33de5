#pragma once

#include <cassert>
#include <utility>
#include <variant>

namespace quillmark {

// A value or the reason there is none. The core hands failures back as values;
// only the window and the command line turn them into words for the user.
template <class T, class E>
class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() { assert(ok()); return std::get<0>(m_state); }
    const T& value() const { assert(ok()); return std::get<0>(m_state); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const E& error() const { assert(!ok()); return std::get<1>(m_state); }

private:
    std::variant<T, E> m_state;
};

// Result<Done, E> reads better than a bool plus an out-parameter.
struct Done {};

} // namespace quillmark
