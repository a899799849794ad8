#include "lang/token_cache.h"

#include <cstdint>
#include <cstring>

#include "service/state.h"

namespace talv {
namespace {

constexpr std::size_t kEntries = 32;
constexpr std::size_t kMostTokens = 96;             // longer streams are not kept
constexpr std::size_t kKeySize = sizeof(EvalState::scanner_input);
constexpr std::size_t kTextStore = kKeySize + kMostTokens;  // operand texts with their NULs

enum class Effect : uint8_t { none, operand, self_field, relop };

struct Token {
    int32_t code;
    Effect effect;
    int8_t op;
    uint16_t text_at;
};

struct Entry {
    bool valid = false;
    uint32_t hash = 0;
    uint16_t length = 0;
    uint16_t count = 0;
    char key[kKeySize];
    Token tokens[kMostTokens];
    char texts[kTextStore];
};

Entry g_entries[kEntries];

// The stream being noted or replayed.
enum class Mode { off, noting, replaying } g_mode = Mode::off;
Entry g_noting;           // built here, copied into the cache once complete
bool g_noting_ok = false;
std::size_t g_text_used = 0;
Token g_pending{};        // what the running action did
const Entry *g_replay = nullptr;
std::size_t g_next = 0;

uint32_t hash_of(const char *text, std::size_t length) {
    uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < length; ++i) h = (h ^ static_cast<unsigned char>(text[i])) * 16777619u;
    return h;
}

}  // namespace

bool token_cache_open(const char *text, std::size_t length) {
    g_mode = Mode::off;
    if (length >= kKeySize) return false;
    const uint32_t h = hash_of(text, length);
    const Entry &e = g_entries[h % kEntries];
    if (e.valid && e.hash == h && e.length == length && std::memcmp(e.key, text, length) == 0) {
        g_replay = &e;
        g_next = 0;
        g_mode = Mode::replaying;
        return true;
    }
    g_noting.hash = h;
    g_noting.length = static_cast<uint16_t>(length);
    std::memcpy(g_noting.key, text, length);
    g_noting.count = 0;
    g_noting_ok = true;
    g_text_used = 0;
    g_pending = Token{};
    g_mode = Mode::noting;
    return false;
}

bool token_cache_replaying() { return g_mode == Mode::replaying; }

int token_cache_replay(TokenValue *value) {
    if (g_next >= g_replay->count) return kTokEnd;  // never reached: a stream is kept through its end
    const Token &t = g_replay->tokens[g_next++];
    switch (t.effect) {
    case Effect::operand: value->sym = create_symbol(g_replay->texts + t.text_at, t.code); break;
    case Effect::self_field: value->sym = create_symbol(g_state.self_field, TALV_FIELD); break;
    case Effect::relop: value->op = t.op; break;
    case Effect::none: break;
    }
    return t.code;
}

void token_cache_note_operand(const char *text, int) {
    if (g_mode != Mode::noting) return;
    const std::size_t n = std::strlen(text);
    if (g_text_used + n + 1 > kTextStore) {
        g_noting_ok = false;
        return;
    }
    std::memcpy(g_noting.texts + g_text_used, text, n + 1);
    g_pending.effect = Effect::operand;
    g_pending.text_at = static_cast<uint16_t>(g_text_used);
    g_text_used += n + 1;
}

void token_cache_note_self_field() {
    if (g_mode == Mode::noting) g_pending.effect = Effect::self_field;
}

void token_cache_note_relop(int op) {
    if (g_mode != Mode::noting) return;
    g_pending.effect = Effect::relop;
    g_pending.op = static_cast<int8_t>(op);
}

void token_cache_note_token(int token) {
    if (g_mode != Mode::noting) return;
    Token t = g_pending;
    g_pending = Token{};
    t.code = token;
    if (!g_noting_ok || g_noting.count >= kMostTokens) {
        g_noting_ok = false;
        return;
    }
    g_noting.tokens[g_noting.count++] = t;
    // The end of the text, or a byte the grammar reads as its end.
    if (token == kTokEnd || token < 0) {
        Entry &slot = g_entries[g_noting.hash % kEntries];
        std::memcpy(&slot, &g_noting, sizeof slot);
        slot.valid = true;
        g_noting_ok = false;  // kept; nothing further is noted
    }
}

void token_cache_close() {
    g_mode = Mode::off;
    g_replay = nullptr;
}

}  // namespace talv
