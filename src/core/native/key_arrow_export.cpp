#include "native/key_arrow_export.hpp"

#include <cerrno>
#include <new>

namespace tambry::native {
namespace {

// Consumers may read the values buffer even when it holds no byte.
constexpr unsigned char NO_BYTES[1] = {0};

struct ExportedArray {
    SharedKeyBatch batch;
    const void* buffers[3];
};

struct ExportedStream {
    SharedKeyBatch batch;
    bool chunk_given = false;
};

void release_schema(ArrowSchema* schema) { schema->release = nullptr; }

void release_array(ArrowArray* array) {
    delete static_cast<ExportedArray*>(array->private_data);
    array->private_data = nullptr;
    array->release = nullptr;
}

int stream_schema(ArrowArrayStream* stream, ArrowSchema* out) {
    const auto* state = static_cast<const ExportedStream*>(stream->private_data);
    return export_key_schema(*state->batch, out) ? 0 : ENOMEM;
}

int stream_next(ArrowArrayStream* stream, ArrowArray* out) {
    auto* state = static_cast<ExportedStream*>(stream->private_data);
    if (state->chunk_given) {
        // A released array marks the end of the stream.
        *out = ArrowArray{};
        return 0;
    }
    if (!export_key_array(state->batch, out)) return ENOMEM;
    state->chunk_given = true;
    return 0;
}

const char* stream_last_error(ArrowArrayStream*) { return nullptr; }

void release_stream(ArrowArrayStream* stream) {
    delete static_cast<ExportedStream*>(stream->private_data);
    stream->private_data = nullptr;
    stream->release = nullptr;
}

}  // namespace

const char* key_column_format(const KeyBatch& batch) { return batch.wide_offsets() ? "Z" : "z"; }

bool export_key_schema(const KeyBatch& batch, ArrowSchema* out) noexcept {
    *out = ArrowSchema{};
    out->format = key_column_format(batch);
    out->name = "";
    out->flags = ARROW_FLAG_NULLABLE;
    out->release = release_schema;
    return true;
}

bool export_key_array(const SharedKeyBatch& batch, ArrowArray* out) noexcept {
    *out = ArrowArray{};
    auto* state = new (std::nothrow) ExportedArray{batch, {}};
    if (!state) return false;
    const auto arena = batch->arena();
    state->buffers[0] = batch->validity();
    state->buffers[1] = batch->offsets();
    state->buffers[2] = arena.empty() ? NO_BYTES : arena.data();
    out->length = static_cast<int64_t>(batch->size());
    out->null_count = static_cast<int64_t>(batch->null_count());
    out->n_buffers = 3;
    out->buffers = state->buffers;
    out->release = release_array;
    out->private_data = state;
    return true;
}

bool export_key_stream(const SharedKeyBatch& batch, ArrowArrayStream* out) noexcept {
    *out = ArrowArrayStream{};
    auto* state = new (std::nothrow) ExportedStream{batch};
    if (!state) return false;
    out->get_schema = stream_schema;
    out->get_next = stream_next;
    out->get_last_error = stream_last_error;
    out->release = release_stream;
    out->private_data = state;
    return true;
}

}  // namespace tambry::native
