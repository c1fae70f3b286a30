// The messages between the DSP and its editor on the message ports. Each is
// an atom:Object of a type of our own and at most kMaxMessageSize bytes:
// hosts carry messages through rings of a few KB (some without checking the
// space left), so nothing large goes through a ring in one piece.
//
//   Get        editor -> DSP: asks for the rate and the bank;
//   Rate       DSP -> editor: value (Double) the instance's rate; fresh
//              (Bool) the bank is still the one the instance started with
//              (no state restored, no bank from an editor), so the user's
//              stored defaults may apply;
//   Clip       DSP -> editor: value (Float) the peak of a block that clipped;
//   BankPiece  both ways: one piece of the program store's chunk: serial
//              (Int) the transfer it belongs to, index and count (Int) of the
//              piece, size (Int) the whole chunk's bytes, data (Chunk) the
//              piece's bytes;
//   Analyser   editor -> DSP: value (Bool) whether the editor wants the
//              output samples (off until it says on);
//   Samples    DSP -> editor, while wanted: data (Vector of Float) the next
//              output samples in order, each the mean of the channels.
//
// A chunk travels in kPieceSize-byte pieces in order. The receiver decodes
// it only when every piece of one transfer has arrived; a piece out of order
// or of another transfer drops the transfer, so a damaged or partial one
// changes nothing.
#pragma once

#include "lv2/Uris.h"
#include "model/PresetFormat.h"

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>

#include <cstdint>
#include <cstring>

namespace dravo::lv2 {

constexpr uint32_t kMaxMessageSize = 2048;
constexpr uint32_t kPieceSize = 1536;
// The most either side sends in one cycle (a run, an idle).
constexpr uint32_t kPiecesPerCycle = 2;
constexpr uint32_t kMaxTransferSize = (uint32_t)kChunkBufferSize;

constexpr uint32_t piecesFor(uint32_t size) {
    return (size + kPieceSize - 1) / kPieceSize;
}
constexpr uint32_t pieceBytes(uint32_t size, uint32_t index) {
    return size - index * kPieceSize < kPieceSize ? size - index * kPieceSize : kPieceSize;
}
// A piece's whole atom: the object, four Int properties and the Chunk.
constexpr uint32_t kPieceMessageSize =
    (uint32_t)(sizeof(LV2_Atom_Object) + 4 * (sizeof(LV2_Atom_Property) + 8) +
               sizeof(LV2_Atom_Property) + kPieceSize);
static_assert(kPieceMessageSize <= kMaxMessageSize, "a piece is a small message");

// True when the forge's buffer has room for bytes more.
inline bool hasRoom(const LV2_Atom_Forge& forge, uint32_t bytes) {
    return forge.buf && forge.size >= forge.offset && forge.size - forge.offset >= bytes;
}

// Forges piece index of whole (size bytes). False when it did not fit.
inline bool forgePiece(LV2_Atom_Forge& forge, const Uris& uri, int32_t serial, uint32_t index,
                       const unsigned char* whole, uint32_t size) {
    if (!hasRoom(forge, kPieceMessageSize)) return false;
    const uint32_t bytes = pieceBytes(size, index);
    // The forge pushes the frame even when it has no room: always popped.
    LV2_Atom_Forge_Frame frame;
    const bool object = lv2_atom_forge_object(&forge, &frame, 0, uri.bankPiece) != 0;
    const bool ok =
        object && lv2_atom_forge_key(&forge, uri.serial) && lv2_atom_forge_int(&forge, serial) &&
        lv2_atom_forge_key(&forge, uri.index) && lv2_atom_forge_int(&forge, (int32_t)index) &&
        lv2_atom_forge_key(&forge, uri.count) &&
        lv2_atom_forge_int(&forge, (int32_t)piecesFor(size)) &&
        lv2_atom_forge_key(&forge, uri.size) && lv2_atom_forge_int(&forge, (int32_t)size) &&
        lv2_atom_forge_key(&forge, uri.data) && lv2_atom_forge_atom(&forge, bytes, uri.chunk) &&
        lv2_atom_forge_write(&forge, whole + index * kPieceSize, bytes);
    lv2_atom_forge_pop(&forge, &frame);
    return ok;
}

// The output samples: at most kSamplesPerMessage in one message and
// kSampleMessagesPerCycle messages a run.
constexpr uint32_t kSamplesPerMessage = 256;
constexpr uint32_t kSampleMessagesPerCycle = 8;
constexpr uint32_t kSamplesMessageSize =
    (uint32_t)(sizeof(LV2_Atom_Object) + sizeof(LV2_Atom_Property) + sizeof(LV2_Atom_Vector_Body) +
               kSamplesPerMessage * sizeof(float));
static_assert(kSamplesMessageSize <= kMaxMessageSize, "samples go in small messages");

// Forges a Samples message of n (at most kSamplesPerMessage) samples, or an
// Analyser message. False when it did not fit.
inline bool forgeSamples(LV2_Atom_Forge& forge, const Uris& uri, const float* samples, uint32_t n) {
    if (n > kSamplesPerMessage || !hasRoom(forge, kSamplesMessageSize)) return false;
    LV2_Atom_Forge_Frame frame;
    const bool object = lv2_atom_forge_object(&forge, &frame, 0, uri.samples) != 0;
    const bool ok = object && lv2_atom_forge_key(&forge, uri.data) &&
                    lv2_atom_forge_vector(&forge, sizeof(float), uri.flt, n, samples);
    lv2_atom_forge_pop(&forge, &frame);
    return ok;
}
inline bool forgeAnalyser(LV2_Atom_Forge& forge, const Uris& uri, bool on) {
    LV2_Atom_Forge_Frame frame;
    const bool object = lv2_atom_forge_object(&forge, &frame, 0, uri.analyser) != 0;
    const bool ok =
        object && lv2_atom_forge_key(&forge, uri.value) && lv2_atom_forge_bool(&forge, on);
    lv2_atom_forge_pop(&forge, &frame);
    return ok;
}

// Reads a Samples message; false for anything else.
inline bool readSamples(const LV2_Atom_Object* obj, const Uris& uri, const float*& samples,
                        uint32_t& n) {
    if (obj->body.otype != uri.samples) return false;
    const LV2_Atom* data = nullptr;
    lv2_atom_object_get(obj, uri.data, &data, 0);
    if (!data || data->type != uri.vector || data->size < sizeof(LV2_Atom_Vector_Body))
        return false;
    const auto* vector = reinterpret_cast<const LV2_Atom_Vector*>(data);
    if (vector->body.child_type != uri.flt || vector->body.child_size != sizeof(float))
        return false;
    n = (data->size - (uint32_t)sizeof(LV2_Atom_Vector_Body)) / (uint32_t)sizeof(float);
    samples = reinterpret_cast<const float*>(&vector->body + 1);
    return n <= kSamplesPerMessage;
}
// Reads an Analyser message: on is what the editor wants; false for anything else.
inline bool readAnalyser(const LV2_Atom_Object* obj, const Uris& uri, bool& on) {
    if (obj->body.otype != uri.analyser) return false;
    const LV2_Atom* value = nullptr;
    lv2_atom_object_get(obj, uri.value, &value, 0);
    if (!value || value->type != uri.boolean || value->size != sizeof(int32_t)) return false;
    on = reinterpret_cast<const LV2_Atom_Bool*>(value)->body != 0;
    return true;
}

struct Piece {
    int32_t serial, index, count, size;
    const void* data;
    uint32_t bytes;
};

// Reads a BankPiece whose numbers agree with each other; false otherwise.
inline bool readPiece(const LV2_Atom_Object* obj, const Uris& uri, Piece& piece) {
    if (obj->body.otype != uri.bankPiece) return false;
    const LV2_Atom *serial = nullptr, *index = nullptr, *count = nullptr, *size = nullptr,
                   *data = nullptr;
    lv2_atom_object_get(obj, uri.serial, &serial, uri.index, &index, uri.count, &count, uri.size,
                        &size, uri.data, &data, 0);
    auto isInt = [&uri](const LV2_Atom* a) {
        return a && a->type == uri.integer && a->size == sizeof(int32_t);
    };
    if (!isInt(serial) || !isInt(index) || !isInt(count) || !isInt(size) || !data ||
        data->type != uri.chunk)
        return false;
    auto intOf = [](const LV2_Atom* a) { return reinterpret_cast<const LV2_Atom_Int*>(a)->body; };
    piece = {intOf(serial), intOf(index), intOf(count), intOf(size), data + 1, data->size};
    return piece.size > 0 && (uint32_t)piece.size <= kMaxTransferSize &&
           piece.count == (int32_t)piecesFor((uint32_t)piece.size) && piece.index >= 0 &&
           piece.index < piece.count &&
           piece.bytes == pieceBytes((uint32_t)piece.size, (uint32_t)piece.index);
}

// Puts the pieces of one transfer back together in a buffer of its own.
class Reassembly {
  public:
    // Takes a piece read by readPiece. True when it completed its transfer:
    // data() and size() then hold the whole until the next piece is taken.
    bool take(const Piece& piece) {
        if (piece.index == 0) {
            serial = piece.serial;
            count = piece.count;
            total = piece.size;
            next = 0;
        } else if (piece.index != next || piece.serial != serial || piece.count != count ||
                   piece.size != total) {
            next = -1;
            return false;
        }
        std::memcpy(buffer + (size_t)piece.index * kPieceSize, piece.data, piece.bytes);
        if (++next < count) return false;
        next = -1;
        return true;
    }
    const unsigned char* data() const { return buffer; }
    uint32_t size() const { return (uint32_t)total; }

  private:
    unsigned char buffer[kMaxTransferSize];
    int32_t serial = 0, count = 0, total = 0;
    int32_t next = -1; // the piece expected; -1 between transfers
};

} // namespace dravo::lv2
