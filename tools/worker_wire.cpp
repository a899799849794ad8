#include "worker_wire.h"

#include "workers.h"

namespace talvhost {

namespace {

void put_text(std::string &out, const std::string &text) {
    put_u32(out, static_cast<uint32_t>(text.size()));
    out += text;
}

std::string get_text(const std::string &in, std::size_t &pos) {
    uint32_t n = get_u32(in, pos);
    std::string text = in.substr(pos, n);
    pos += n;
    return text;
}

}  // namespace

void put_u32(std::string &out, uint32_t v) {
    char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                 static_cast<char>(v >> 24)};
    out.append(b, 4);
}

uint32_t get_u32(const std::string &in, std::size_t &pos) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(in[pos + i])) << (8 * i);
    pos += 4;
    return v;
}

void encode_values(const Record &record, std::string &out) {
    put_u32(out, static_cast<uint32_t>(record.fields()));
    for (std::size_t f = 0; f < record.fields(); ++f) {
        put_text(out, std::string(record.value(f)));
        const std::string *shown = record.shown(f);
        out += shown ? '1' : '0';
        if (shown) put_text(out, *shown);
    }
}

void decode_values(const std::string &buf, std::size_t &pos, Record &record) {
    std::vector<std::string> values(get_u32(buf, pos));
    std::vector<std::pair<std::size_t, std::string>> shown;
    for (std::size_t f = 0; f < values.size(); ++f) {
        values[f] = get_text(buf, pos);
        if (buf[pos++] == '1') shown.emplace_back(f, get_text(buf, pos));
    }
    record.pack(values);
    for (auto &[f, text] : shown) record.keep_shown(f, std::move(text));
}

void encode_read(std::size_t block, const BlockRead &read, std::string &out) {
    put_frame(out, Frame::Read, [&](std::string &o) {
        put_u32(o, static_cast<uint32_t>(block));
        put_u32(o, static_cast<uint32_t>(read.forms));
        put_u32(o, static_cast<uint32_t>(read.bad));
        put_u32(o, static_cast<uint32_t>(read.said.size()));
        for (const Diagnostics::Said &s : read.said) {
            o += s.error ? '1' : '0';
            put_text(o, s.text);
            put_text(o, s.once.kind);
            put_text(o, s.once.name);
            put_u32(o, static_cast<uint32_t>(s.once.limit));
        }
        put_u32(o, static_cast<uint32_t>(read.records.size()));
        for (const Record &r : read.records) {
            put_u32(o, static_cast<uint32_t>(r.number));
            put_u32(o, static_cast<uint32_t>(r.line));
            put_text(o, r.id);
        }
    });
}

void decode_read(const std::string &buf, std::size_t pos, std::size_t &block, BlockRead &read) {
    read = BlockRead{};
    read.have = true;
    block = get_u32(buf, pos);
    read.forms = get_u32(buf, pos);
    read.bad = get_u32(buf, pos);
    for (uint32_t n = get_u32(buf, pos); n > 0; --n) {
        Diagnostics::Said s;
        s.error = buf[pos++] == '1';
        s.text = get_text(buf, pos);
        s.once.kind = get_text(buf, pos);
        s.once.name = get_text(buf, pos);
        s.once.limit = get_u32(buf, pos);
        read.said.push_back(std::move(s));
    }
    for (uint32_t n = get_u32(buf, pos); n > 0; --n) {
        Record r;
        r.number = get_u32(buf, pos);
        r.line = get_u32(buf, pos);
        r.id = get_text(buf, pos);
        read.records.push_back(std::move(r));
    }
}

void encode_result(const FormResult &result, std::string &out) {
    std::size_t start = out.size();
    put_u32(out, 0);  // length, patched below
    put_u32(out, static_cast<uint32_t>(result.number));
    put_u32(out, result.checks);
    put_u32(out, result.passed);
    put_u32(out, result.failed);
    put_u32(out, result.errors);
    put_u32(out, static_cast<uint32_t>(result.findings.size()));
    for (const Finding &f : result.findings) {
        put_u32(out, f.field);
        put_u32(out, f.out);
        put_u32(out, f.ret);
        put_text(out, f.message);
        put_text(out, f.detail);
    }
    std::string length;
    put_u32(length, static_cast<uint32_t>(out.size() - start));
    out.replace(start, 4, length);
}

bool decode_result(const std::string &buf, std::size_t &at, FormResult &result) {
    if (buf.size() - at < 4) return false;
    std::size_t pos = at;
    uint32_t length = get_u32(buf, pos);
    if (buf.size() - at < length) return false;
    result = FormResult{};
    result.number = static_cast<long>(get_u32(buf, pos));
    result.checks = get_u32(buf, pos);
    result.passed = get_u32(buf, pos);
    result.failed = get_u32(buf, pos);
    result.errors = get_u32(buf, pos);
    uint32_t count = get_u32(buf, pos);
    for (uint32_t i = 0; i < count; ++i) {
        Finding f;
        f.field = get_u32(buf, pos);
        f.out = get_u32(buf, pos);
        f.ret = get_u32(buf, pos);
        f.message = get_text(buf, pos);
        f.detail = get_text(buf, pos);
        result.findings.push_back(std::move(f));
    }
    at += length;
    return true;
}

}  // namespace talvhost
