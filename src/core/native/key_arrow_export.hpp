// A KeyBatch handed out as an Arrow binary column without copying it: the
// exported structs point into the batch's own buffers and keep the batch alive
// through shared ownership until the consumer releases them, from any thread.
#pragma once

#include <memory>

#include "native/arrow_c_abi.hpp"
#include "native/key_batch.hpp"

namespace tambry::native {

using SharedKeyBatch = std::shared_ptr<const KeyBatch>;

// Arrow's format string of the batch's column: "z" (binary, 32-bit offsets) or
// "Z" (large binary).
const char* key_column_format(const KeyBatch& batch);

// Each fills `out` (whose previous content is ignored) and returns true, or false
// when memory runs out, leaving `out` released. The consumer owns what it gets
// and must call its release callback.
bool export_key_schema(const KeyBatch& batch, ArrowSchema* out) noexcept;
bool export_key_array(const SharedKeyBatch& batch, ArrowArray* out) noexcept;
// A stream of one chunk: the whole batch.
bool export_key_stream(const SharedKeyBatch& batch, ArrowArrayStream* out) noexcept;

}  // namespace tambry::native
