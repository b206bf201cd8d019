// The core reports failure as a value: a Result holds either what was asked for or
// the reason it could not be had. Result<void, E> is a check that passed or the
// reason it did not. Nothing in the core throws for bad input.
#pragma once

#include <optional>
#include <utility>
#include <variant>

namespace tambry {

template <class E>
struct Failure {
    E error;
};

template <class E>
Failure(E) -> Failure<E>;

template <class T, class E>
class Result {
public:
    Result(T&& value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(const T& value) : state_(std::in_place_index<0>, value) {}
    Result(Failure<E> failure) : state_(std::in_place_index<1>, std::move(failure.error)) {}
    template <class... Args>
    explicit Result(std::in_place_t, Args&&... args)
        : state_(std::in_place_index<0>, std::forward<Args>(args)...) {}

    bool ok() const { return state_.index() == 0; }
    T& value() { return *std::get_if<0>(&state_); }
    const T& value() const { return *std::get_if<0>(&state_); }
    E& error() { return *std::get_if<1>(&state_); }
    const E& error() const { return *std::get_if<1>(&state_); }

private:
    std::variant<T, E> state_;
};

template <class E>
class Result<void, E> {
public:
    Result() = default;
    Result(Failure<E> failure) : error_(std::move(failure.error)) {}

    bool ok() const { return !error_; }
    E& error() { return *error_; }
    const E& error() const { return *error_; }

private:
    std::optional<E> error_;
};

}  // namespace tambry
