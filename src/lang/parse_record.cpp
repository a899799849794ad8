#include "lang/parse_record.h"

#include <cstring>

#include "lang/replay_steps.h"
#include "service/state.h"
#include "talvechk.h"

namespace talv {
namespace {

inline ParseScratch &scratch() { return g_state.parses.scratch; }

void emit(StepOp op, uint8_t value = 0, uint16_t at = 0) {
    ParseScratch &s = scratch();
    if (s.step_count >= kScratchSteps) {
        s.broken = true;
        return;
    }
    s.steps[s.step_count++] = Step{op, value, at};
}

constexpr uint32_t kLately = 256;  // lookups

uint64_t mix(uint64_t h, uint64_t word) {
    h = (h ^ word) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 32);
}

uint64_t load8(const char *p) {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

}  // namespace

void record_begin() {
    ParseScratch &s = scratch();
    s.step_count = 0;
    s.text_used = 0;
    s.depth = 0;
    s.pending = false;
    s.lookahead = kTokEnd;
    s.broken = false;
    s.complete = false;
}

void record_token_start() {
    ParseScratch &s = scratch();
    if (s.pending) {
        emit(StepOp::shift);
        ++s.depth;
    }
    s.pending = true;
}

int record_lookahead(int token) {
    const int lookahead = token < 0 ? kTokEnd : token;
    scratch().lookahead = lookahead;
    return lookahead;
}

void record_operand(const char *text, int kind) {
    ParseScratch &s = scratch();
    const std::size_t n = std::strlen(text);
    if (s.text_used + n + 1 > kScratchText) {
        s.broken = true;
    } else {
        std::memcpy(s.texts + s.text_used, text, n + 1);
        emit(StepOp::lex_operand, static_cast<uint8_t>(kind - TALV_VARIABLE), static_cast<uint16_t>(s.text_used));
        s.text_used += n + 1;
    }
}

void record_self_field() { emit(StepOp::lex_self_field); }

void record_relop(int op) { emit(StepOp::lex_relop, static_cast<uint8_t>(op)); }

void record_reduce(Rule rule, int lookahead) {
    ParseScratch &s = scratch();
    // Reached right after a shift, before the next token is read: the parser
    // holds no lookahead (it holds the token read last only while that token
    // waits to be shifted).
    if (s.pending && lookahead != s.lookahead) {
        emit(StepOp::shift);
        ++s.depth;
        s.pending = false;
    }
    const int length = rule_length(rule);
    if (length > s.depth) s.broken = true;
    if (rule == Rule::operand && s.step_count >= 2 && s.steps[s.step_count - 1].op == StepOp::shift) {
        Step &read = s.steps[s.step_count - 2];
        if (read.op == StepOp::lex_operand || read.op == StepOp::lex_self_field) {
            read.op = read.op == StepOp::lex_operand ? StepOp::operand : StepOp::self_field_operand;
            --s.step_count;
            return;  // a unit rule: the depth stays
        }
    }
    emit(StepOp::reduce, static_cast<uint8_t>(rule), static_cast<uint16_t>(length));
    s.depth -= length - 1;
}

void record_end(bool accepted) {
    // An accepted parse leaves the statements' one value: any other depth
    // means the steps lost step with the parser.
    if (accepted && scratch().depth != 1) scratch().broken = true;
    emit(accepted ? StepOp::accept : StepOp::stop);
    scratch().complete = !scratch().broken;
}

int replay_recorded() {
    const ParseScratch &s = scratch();
    if (!s.complete) {
        g_state.result_word = TALV_E_INTERNAL;  // past every bound above: cannot happen
        return 1;
    }
    return replay_steps(s.steps, s.texts);
}

RecordKey record_key(const char *text) {
    const std::size_t n = strnlen(text, TALV_MAX_EXPR + 1);
    if (n > TALV_MAX_EXPR) return {0, n, false};
    uint64_t h = n;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) h = mix(h, load8(text + i));
    if (i < n) {
        if (n >= 8) {
            h = mix(h, load8(text + n - 8));
        } else {
            uint64_t w = 0;
            for (; i < n; ++i) w = w << 8 | static_cast<unsigned char>(text[i]);
            h = mix(h, w);
        }
    }
    return {h, n, true};
}

const ParseRecord *find_parse_record(const RecordKey &key, const char *text) {
    const uint32_t clock = ++g_state.parses.clock;
    if (!key.usable) return nullptr;
    ParseRecord *set = g_state.parses.records[key.hash % kRecordSets];
    for (std::size_t way = 0; way < kRecordWays; ++way) {
        ParseRecord &r = set[way];
        if (r.valid && r.hash == key.hash && r.length == key.length && std::memcmp(r.key(), text, key.length) == 0) {
            r.used = clock;
            return &r;
        }
    }
    return nullptr;
}

void keep_parse_record(const RecordKey &key, const char *text, const char *prepared) {
    const ParseScratch &s = scratch();
    if (!key.usable || !s.complete) return;
    const std::size_t need = s.step_count * sizeof(Step) + 2 * (key.length + 1) + s.text_used;
    if (need > kRecordArena) return;
    ParseRecord *set = g_state.parses.records[key.hash % kRecordSets];
    ParseRecord *slot = nullptr;
    uint32_t slot_age = 0;
    const uint32_t clock = g_state.parses.clock;
    for (std::size_t way = 0; way < kRecordWays && !(slot && !slot->valid); ++way) {
        const uint32_t age = clock - set[way].used;
        if (!set[way].valid || !slot || age > slot_age) {
            slot = &set[way];
            slot_age = age;
        }
    }
    const bool lately = slot->valid && slot_age < kLately;
    slot->hash = key.hash;
    slot->used = lately ? clock - (slot_age + 1) : clock;
    slot->length = static_cast<uint16_t>(key.length);
    slot->step_count = static_cast<uint16_t>(s.step_count);
    unsigned char *at = slot->arena;
    std::memcpy(at, s.steps, s.step_count * sizeof(Step));
    at += s.step_count * sizeof(Step);
    std::memcpy(at, text, key.length);
    at[key.length] = '\0';
    at += key.length + 1;
    std::memcpy(at, prepared, key.length);
    at[key.length] = '\0';
    at += key.length + 1;
    std::memcpy(at, s.texts, s.text_used);
    slot->valid = true;
}

const char *prepared_text(const ParseRecord &record) { return record.prepared(); }

int replay_parse(const ParseRecord &record) { return replay_steps(record.steps(), record.texts()); }

}  // namespace talv
