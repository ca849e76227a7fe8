#include "input/sample_stream.h"

#include <algorithm>
#include <cerrno>

#include "view/marks.h"
#include "view/screen_cycle.h"

void read_samples(Run& run, int first_slot) {
    SampleSource& source = *run.source;
    SampleWindow& w = *run.window;
    int s = first_slot;
    // The last slot that may still hold a sample of a nameable position.
    const std::int64_t room = last_sample_index + 1 - w.origin_offset / 2;
    const int end_slot = room < window_slots ? static_cast<int>(room < first_slot ? first_slot : room) : window_slots;
    // Byte pairs come through the stream's buffer; an incomplete last pair is
    // dropped and the end-of-file condition keeps every later call from reading.
    if (source.recording != nullptr && !std::feof(source.recording) && !source.recording_read_error && !source.recording_too_long) {
        std::uint8_t bytes[8192];
        while (s < end_slot) {
            std::size_t want = std::min<std::size_t>(sizeof bytes, 2u * static_cast<std::size_t>(end_slot - s));
            std::size_t got = std::fread(bytes, 1, want, source.recording);
            std::size_t pairs = got / 2;
            std::int16_t values[sizeof bytes / 2];
            for (std::size_t k = 0; k < pairs; ++k) {
                const auto v = static_cast<std::int16_t>(bytes[2 * k] | (bytes[2 * k + 1] << 8));
                values[k] = v;
                w.slots[s++] = static_cast<float>(static_cast<std::int32_t>(v) * w.polarity);
            }
            if (source.keep_samples) source.kept.insert(source.kept.end(), values, values + pairs);  // as read
            if (got < want) {
                if (std::ferror(source.recording)) source.recording_read_error = true;
                // An odd byte left over here is the end of the file: nothing follows it.
                break;
            }
        }
        if (s == end_slot && end_slot < window_slots && std::fgetc(source.recording) != EOF) source.recording_too_long = true;
    }
    w.data_end = s;
    std::fill(w.slots + s, w.slots + window_slots, 0.0f);
    ++w.generation;
}

void slide_window(Run& run) {
    SampleWindow& w = *run.window;
    if (w.cursor < slide_threshold) return;
    const int n = w.data_end - w.cursor;  // read but not yet analysed
    std::copy(w.slots + (w.cursor - history_slots), w.slots + (w.cursor - history_slots) + n + history_slots, w.slots);
    // The new origin first: reading needs it to know where nameable positions end.
    w.origin_offset += 2 * (w.cursor - history_slots);
    w.cursor = history_slots;
    read_samples(run, n + history_slots);

    draw_refill_mark(run, run.screen->x);
}

void invert_polarity(Run& run) {
    SampleWindow& w = *run.window;
    for (int s = 0; s < window_slots; ++s) w.slots[s] = -w.slots[s];
    w.polarity = static_cast<std::int16_t>(-w.polarity);
    ++w.generation;
}

void forget_samples_before(Run& run, std::int64_t index) {
    SampleSource& source = *run.source;
    if (index <= source.kept_from) return;
    const std::int64_t drop = std::min<std::int64_t>(index - source.kept_from, static_cast<std::int64_t>(source.kept.size()));
    if (2 * drop < static_cast<std::int64_t>(source.kept.size())) return;
    source.kept.erase(source.kept.begin(), source.kept.begin() + drop);
    source.kept_from += drop;
}
