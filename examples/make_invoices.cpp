// Makes the recognition results of a batch of invoices for the bundled
// example: consistent forms written the ways OCR engines deliver them
// (half-width, full-width and mixed digits, padding blanks, yen signs, empty
// item lines, customer numbers with their check digits), a fixed share of
// which carry one realistic recognition fault each.  Deterministic for a given seed, so that the files need not be kept.
//
//   make_invoices [--forms N] [--seed S] [--fault-share P] [--format csv|jsonl]
//                 [--encoding utf8|cp932] [--out FILE] [--faults FILE]
//
// The faults file lists, per faulty form, the field whose text was damaged
// and how: every such form fails at least the check of that field (or of the
// field whose check reads it), and every other form passes all checks.
#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

struct Rng {
    uint64_t state;
    uint64_t next() {  // splitmix64: the same numbers on every platform
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    long range(long lo, long hi) { return lo + static_cast<long>(next() % static_cast<uint64_t>(hi - lo + 1)); }
    bool chance(int percent) { return range(1, 100) <= percent; }
    template <class T> const T &pick(const std::vector<T> &v) { return v[static_cast<std::size_t>(range(0, static_cast<long>(v.size()) - 1))]; }
};

// ---- calendar ---------------------------------------------------------------
bool leap(long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
long days_in_month(long y, long m) {
    static const long d[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : d[m - 1];
}
bool valid_date(long y, long m, long d) {
    return y >= 1583 && y <= 2100 && m >= 1 && m <= 12 && d >= 1 && d <= days_in_month(y, m);
}
long day_number(long y, long m, long d) {  // days since 1970-01-01
    y -= m <= 2;
    long era = (y >= 0 ? y : y - 399) / 400;
    long yoe = y - era * 400;
    long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}
void civil(long z, long &y, long &m, long &d) {
    z += 719468;
    long era = (z >= 0 ? z : z - 146096) / 146097;
    long doe = z - era * 146097;
    long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp + (mp < 10 ? 3 : -9);
    y = yoe + era * 400 + (m <= 2);
}

// ---- the form ---------------------------------------------------------------
const std::vector<std::string> kFields = {
    "INVOICE_NO", "CUSTNO", "CORPNO", "ISSUE_Y", "ISSUE_M", "ISSUE_D", "DUE_ERA", "DUE_EY", "DUE_M", "DUE_D", "DELIV_H", "DELIV_MIN",
    "QTY1", "PRICE1", "AMOUNT1", "QTY2", "PRICE2", "AMOUNT2", "QTY3", "PRICE3", "AMOUNT3", "QTY4", "PRICE4",
    "AMOUNT4", "QTY5", "PRICE5", "AMOUNT5", "SUBTOTAL", "RATE", "TAX", "TOTAL", "PAY_BANK", "PAY_CASH", "MEMO"};
const std::map<std::string, int> kBoxes = {
    {"INVOICE_NO", 8}, {"CUSTNO", 9}, {"CORPNO", 13}, {"ISSUE_Y", 4}, {"ISSUE_M", 2}, {"ISSUE_D", 2}, {"DUE_ERA", 1}, {"DUE_EY", 2},
    {"DUE_M", 2}, {"DUE_D", 2}, {"DELIV_H", 2}, {"DELIV_MIN", 2}, {"SUBTOTAL", 9}, {"RATE", 3}, {"TAX", 8},
    {"TOTAL", 10}};
int boxes(const std::string &field) {
    if (auto it = kBoxes.find(field); it != kBoxes.end()) return it->second;
    if (field.rfind("QTY", 0) == 0) return 3;
    if (field.rfind("PRICE", 0) == 0) return 7;
    return 8;  // AMOUNTn
}

const std::vector<std::string> kMemos = {
    "", "", "", "", "", "",
    "振込手数料は貴社にてご負担ください。",
    "納品は午前中〜午後3時にお願いします。",
    "納品は午前中～午後3時にお願いします。",
    "前回請求分 ¥5,000 は入金済みです。",
    "至急",
    "担当：山田（営業二課）",
    "軽減税率対象品目を含みます。",
    "検収後、月末締め翌月末払い",
    "備品一式（予備含む）",
};

// Digits an OCR engine takes for one another in handwriting.
const std::map<char, std::string> kConfusable = {
    {'0', "689"}, {'1', "74"}, {'2', "73"}, {'3', "852"}, {'4', "91"},
    {'5', "638"}, {'6', "058"}, {'7', "12"}, {'8', "3069"}, {'9', "480"}};

// ---- check digits -------------------------------------------------------------
// Worked out here from the schemes' definitions rather than taken from the
// companion library, so that the example also tests that library.

// Weighted mod 11, weights 2..7 from the right, repeating; 10 would be written X.
int mod11_check(const std::string &payload) {
    int sum = 0, weight = 2;
    for (auto it = payload.rbegin(); it != payload.rend(); ++it, weight = weight == 7 ? 2 : weight + 1)
        sum += (*it - '0') * weight;
    return (11 - sum % 11) % 11;
}

// Corporate number: the check digit leads; the 12 digits after it weigh 1, 2,
// 1, 2, ... from the right, and the check digit is 9 - (sum mod 9).
int corp_check(const std::string &payload) {
    int sum = 0, weight = 1;
    for (auto it = payload.rbegin(); it != payload.rend(); ++it, weight = 3 - weight) sum += (*it - '0') * weight;
    return 9 - sum % 9;
}

// The digits of an identifier as the checks read it: blanks around it, a
// single blank or hyphen between two digits; empty when it is ill-formed.
std::string identifier_digits(const std::string &text) {
    std::size_t b = text.find_first_not_of(' '), e = text.find_last_not_of(' ');
    if (b == std::string::npos) return "";
    std::string digits;
    for (std::size_t i = b; i <= e; ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9') digits += c;
        else if ((c != '-' && c != ' ') || i == b || i == e || !std::isdigit(static_cast<unsigned char>(text[i + 1])))
            return "";
    }
    return digits;
}

bool custno_passes(const std::string &text) {
    std::string d = identifier_digits(text);
    return d.size() >= 2 && mod11_check(d.substr(0, d.size() - 1)) == d.back() - '0';
}

bool corpno_passes(const std::string &text) {
    std::string d = identifier_digits(text);
    return d.size() == 13 && corp_check(d.substr(1)) == d[0] - '0';
}

// A customer of the issuer: its customer number, and its corporate number
// (empty for a sole proprietor, who has none).
struct Customer {
    std::string custno, corpno;
};

std::string random_digits(Rng &rng, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('0' + rng.range(0, 9));
    return s;
}

std::vector<Customer> make_customers(Rng &rng, int count) {
    std::vector<Customer> customers;
    while (static_cast<int>(customers.size()) < count) {
        std::string payload = std::to_string(rng.range(1000000, 9999999));
        int check = mod11_check(payload);
        // Numbers whose check would be 10 (X) are not given out, as issuers
        // commonly do: their forms have digit boxes only.
        if (check == 10) continue;
        Customer c{payload + "-" + std::to_string(check), ""};
        if (rng.chance(80)) {
            std::string corp = random_digits(rng, 12);
            c.corpno = std::to_string(corp_check(corp)) + corp;
        }
        customers.push_back(c);
    }
    return customers;
}

using Form = std::map<std::string, std::string>;  // field -> logical text (ASCII digits, or the memo)

struct Fault {
    std::string field, kind, before, after;
};

Form make_form(Rng &rng, const std::vector<Customer> &customers, std::vector<int> &used_lines) {
    Form f;
    f["INVOICE_NO"] = std::to_string(rng.range(10000000, 99999999));
    const Customer &customer = rng.pick(customers);
    f["CUSTNO"] = customer.custno;
    f["CORPNO"] = customer.corpno;
    long issue = day_number(2023, 1, 1) + rng.range(0, 3 * 365);
    long y, m, d;
    civil(issue, y, m, d);
    f["ISSUE_Y"] = std::to_string(y);
    f["ISSUE_M"] = (rng.chance(30) && m < 10 ? "0" : "") + std::to_string(m);
    f["ISSUE_D"] = (rng.chance(30) && d < 10 ? "0" : "") + std::to_string(d);
    civil(issue + rng.range(30, 60), y, m, d);
    f["DUE_ERA"] = "5";  // Reiwa: 2019 is its year 1
    f["DUE_EY"] = std::to_string(y - 2018);
    f["DUE_M"] = std::to_string(m);
    f["DUE_D"] = std::to_string(d);
    f["DELIV_H"] = std::to_string(rng.range(8, 18));
    long minute = rng.chance(60) ? 15 * rng.range(0, 3) : rng.range(0, 59);
    f["DELIV_MIN"] = (minute < 10 ? "0" : "") + std::to_string(minute);

    long lines = rng.range(1, 5), subtotal = 0;
    used_lines.clear();
    for (int n = 1; n <= 5; ++n) {
        std::string k = std::to_string(n);
        if (n > lines) {
            f["QTY" + k] = f["PRICE" + k] = f["AMOUNT" + k] = "";
            continue;
        }
        used_lines.push_back(n);
        long qty = rng.chance(70) ? rng.range(1, 12) : rng.range(13, 99);
        long price = rng.chance(50) ? 100 * rng.range(1, 998) : 10 * rng.range(5, 9980);
        f["QTY" + k] = std::to_string(qty);
        f["PRICE" + k] = std::to_string(price);
        f["AMOUNT" + k] = std::to_string(qty * price);
        subtotal += qty * price;
    }
    bool reduced = rng.chance(20);
    long tax = reduced ? subtotal * 8 / 100 : subtotal / 10;  // cut to the yen
    f["SUBTOTAL"] = std::to_string(subtotal);
    f["RATE"] = reduced ? "008" : "010";
    f["TAX"] = std::to_string(tax);
    f["TOTAL"] = std::to_string(subtotal + tax);
    bool bank = rng.chance(75);
    f["PAY_BANK"] = bank ? "1" : "";
    f["PAY_CASH"] = bank ? "" : "1";
    f["MEMO"] = rng.pick(kMemos);
    return f;
}

// Replaces one digit by a confusable one, among the choices `accept` likes.
template <class Accept>
bool substitute(Rng &rng, std::string &text, Accept accept) {
    std::vector<std::string> options;
    for (std::size_t i = 0; i < text.size(); ++i)
        for (char c : kConfusable.count(text[i]) ? kConfusable.at(text[i]) : std::string()) {
            std::string t = text;
            t[i] = c;
            if (accept(t)) options.push_back(t);
        }
    if (options.empty()) return false;
    text = rng.pick(options);
    return true;
}

bool any(const std::string &) { return true; }
long num(const std::string &s) { return s.empty() ? 0 : std::stol(s); }

bool inject(Rng &rng, Form &f, const std::vector<int> &lines, Fault &fault) {
    static const std::vector<std::string> kinds = {"amount", "quantity", "price", "subtotal", "tax", "total",
                                                   "rate", "issue-date", "due-era", "due-date", "time", "marks",
                                                   "invoice-no", "customer-no", "corporate-no"};
    const std::string kind = rng.pick(kinds);
    std::string line = std::to_string(rng.pick(lines));
    std::string field;
    std::string before;
    auto sub = [&](const std::string &name, auto accept) {
        field = name;
        before = f[name];
        return substitute(rng, f[name], accept);
    };
    bool done = false;
    if (kind == "amount") done = sub("AMOUNT" + line, any);
    else if (kind == "quantity") done = sub("QTY" + line, any);
    else if (kind == "price") done = sub("PRICE" + line, any);
    else if (kind == "subtotal") done = sub("SUBTOTAL", any);
    else if (kind == "tax") done = sub("TAX", any);
    else if (kind == "rate") done = sub("RATE", [](const std::string &t) { return t != "010" && t != "008"; });
    else if (kind == "total" || kind == "invoice-no") {
        field = kind == "total" ? "TOTAL" : "INVOICE_NO";
        before = f[field];
        if (before.size() > 1) {
            f[field].erase(static_cast<std::size_t>(rng.range(0, static_cast<long>(before.size()) - 1)), 1);
            done = num(f[field]) != num(before) || kind == "invoice-no";
        }
    } else if (kind == "issue-date" || kind == "due-date") {
        bool issue = kind == "issue-date";
        long year = issue ? num(f["ISSUE_Y"]) : 2018 + num(f["DUE_EY"]);
        std::string mf = issue ? "ISSUE_M" : "DUE_M", df = issue ? "ISSUE_D" : "DUE_D";
        std::string mtext = f[mf], dtext = f[df];
        if (rng.chance(50))
            done = sub(mf, [&](const std::string &t) { return !valid_date(year, num(t), num(dtext)); });
        if (!done) done = sub(df, [&](const std::string &t) { return !valid_date(year, num(mtext), num(t)); });
    } else if (kind == "due-era") {
        field = "DUE_ERA";
        before = f[field];
        f[field] = std::string(1, rng.pick(std::vector<char>{'6', '8', '9'}));
        done = true;
    } else if (kind == "time") {
        long h = num(f["DELIV_H"]), m = num(f["DELIV_MIN"]);
        if (rng.chance(50)) done = sub("DELIV_H", [&](const std::string &t) { return num(t) > 23 || m > 59; });
        if (!done) done = sub("DELIV_MIN", [&](const std::string &t) { return num(t) > 59 || h > 23; });
    } else if (kind == "customer-no" || kind == "corporate-no") {
        // Only faults the check sees.  Weighted mod 11 with weights 2..7
        // catches every single misread digit (no weight is a multiple of 11),
        // but a number that lost a digit has its own check digit right about
        // once in 11.  The corporate number's mod 9 cannot tell 0 from 9, and
        // the confusion table has 0 -> 9 and 9 -> 0, so those misreads pass.
        // A letter O always fails (no letter may stand in an identifier), and
        // so does an empty box, except in CORPNO, which is optional.
        bool customer = kind == "customer-no";
        field = customer ? "CUSTNO" : "CORPNO";
        before = f[field];
        auto fails = [customer](const std::string &t) { return customer ? !custno_passes(t) : !corpno_passes(t); };
        if (before.empty()) return false;
        static const std::vector<std::string> how = {"misread", "dropped", "letter-o", "empty"};
        const std::string &what = rng.pick(how);
        std::vector<std::string> options;
        for (std::size_t i = 0; i < before.size(); ++i) {
            std::string t = before;
            if (what == "dropped" && std::isdigit(static_cast<unsigned char>(t[i]))) t.erase(i, 1);
            else if (what == "letter-o" && t[i] == '0') t[i] = 'O';
            else continue;
            options.push_back(t);
        }
        if (what == "empty" && customer) options.push_back("");
        if (what == "misread") {
            std::string t = before;
            if (!substitute(rng, t, fails)) return false;
            options.push_back(t);
        }
        options.erase(std::remove_if(options.begin(), options.end(), [&](const std::string &t) { return !fails(t); }),
                      options.end());
        if (options.empty()) return false;
        f[field] = rng.pick(options);
        fault = Fault{field, kind + "-" + what, before, f[field]};
        return true;
    } else if (kind == "marks") {
        field = "PAY_BANK";
        before = f[field];
        f[field] = before.empty() ? "1" : "";  // both marked, or neither
        done = true;
    }
    if (!done) return false;
    fault = Fault{field, kind, before, f[field]};
    return true;
}

// ---- how the engine writes a text --------------------------------------------
std::string fullwidth(char c) {  // '!'..'~' -> U+FF01..U+FF5E in UTF-8
    unsigned cp = 0xFF00u + static_cast<unsigned char>(c) - 0x20u;
    return {'\xEF', static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
}

std::string render(Rng &rng, const std::string &field, const std::string &text) {
    if (field == "MEMO") return text;
    if (field.rfind("PAY_", 0) == 0) return text.empty() && rng.chance(30) ? " " : text;
    if (text.empty()) return rng.chance(50) ? "" : std::string(static_cast<std::size_t>(boxes(field)), ' ');
    std::string out;
    int style = static_cast<int>(rng.range(1, 100));
    for (char c : text) {
        bool wide = style > 94 || (style > 90 && rng.chance(50));
        out += wide ? fullwidth(c) : std::string(1, c);
    }
    if (field == "TOTAL" && rng.chance(12)) out = (rng.chance(50) ? "\xC2\xA5" : "\xEF\xBF\xA5") + out;  // ¥ / ￥
    int pad = boxes(field) - static_cast<int>(text.size());
    if (pad > 0 && rng.chance(8)) out = std::string(static_cast<std::size_t>(pad), ' ') + out;
    // A blank box before the digits (U+3000 from some engines); not in RATE,
    // where it would move the implied decimal point.
    if (field != "RATE" && rng.chance(3)) out = (rng.chance(50) ? " " : "\xE3\x80\x80") + out;
    if (rng.chance(4)) out += " ";
    return out;
}

std::string csv_cell(const std::string &s) {
    if (s.find_first_of(",\"") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// In CP932 the yen sign is the byte 0x5C, JSON's escape character, so a
// CP932 JSON text writes it doubled.
std::string json_string(const std::string &s, bool cp932) {
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (cp932 && s.compare(i, 2, "\xC2\xA5") == 0) {
            out += "\\\\";
            ++i;
            continue;
        }
        if (s[i] == '"' || s[i] == '\\') out += '\\';
        out += s[i];
    }
    return out + "\"";
}

std::string to_cp932(const std::string &utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::perror("iconv_open");
        std::exit(2);
    }
    std::string in = utf8, out(utf8.size() * 2 + 16, '\0');
    char *ip = in.data(), *op = out.data();
    std::size_t il = in.size(), ol = out.size();
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1)) {
        std::perror("iconv");
        std::exit(2);
    }
    out.resize(out.size() - ol);
    iconv_close(cd);
    return out;
}

[[noreturn]] void usage() {
    std::fprintf(stderr,
                 "usage: make_invoices [--forms N] [--seed S] [--fault-share P] [--format csv|jsonl]\n"
                 "                     [--encoding utf8|cp932] [--out FILE] [--faults FILE]\n");
    std::exit(2);
}

}  // namespace

int main(int argc, char **argv) {
    long forms = 3000;
    uint64_t seed = 20240601;
    double share = 0.08;
    std::string format = "csv", encoding = "utf8", out_path, faults_path;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc) usage();
        std::string v = argv[++i];
        if (a == "--forms") forms = std::atol(v.c_str());
        else if (a == "--seed") seed = std::strtoull(v.c_str(), nullptr, 10);
        else if (a == "--fault-share") share = std::atof(v.c_str());
        else if (a == "--format") format = v;
        else if (a == "--encoding") encoding = v;
        else if (a == "--out") out_path = v;
        else if (a == "--faults") faults_path = v;
        else usage();
    }
    if (forms < 0 || share < 0 || share > 1 || (format != "csv" && format != "jsonl") ||
        (encoding != "utf8" && encoding != "cp932"))
        usage();

    Rng rng{seed};
    // Exactly this many forms are faulty, spread over the batch.
    std::vector<long> order(static_cast<std::size_t>(forms));
    for (long i = 0; i < forms; ++i) order[static_cast<std::size_t>(i)] = i;
    for (long i = forms - 1; i > 0; --i) std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(rng.range(0, i))]);
    long faulty = static_cast<long>(share * static_cast<double>(forms) + 0.5);
    std::vector<bool> damaged(static_cast<std::size_t>(forms), false);
    for (long i = 0; i < faulty; ++i) damaged[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])] = true;

    std::ofstream file;
    if (!out_path.empty()) file.open(out_path, std::ios::binary);
    std::ostream &out = out_path.empty() ? std::cout : file;
    std::ofstream faults;
    if (!faults_path.empty()) {
        faults.open(faults_path);
        faults << "form,id,field,kind,before,after\n";
    }
    auto emit = [&](const std::string &text) { out << (encoding == "cp932" ? to_cp932(text) : text); };

    if (format == "csv") {
        std::string head = "FORM_ID";
        for (const auto &name : kFields) head += "," + name;
        emit(head + "\n");
    }
    std::vector<int> lines;
    const std::vector<Customer> customers = make_customers(rng, 400);
    for (long n = 1; n <= forms; ++n) {
        Form f = make_form(rng, customers, lines);
        char id[32];
        std::snprintf(id, sizeof id, "INV-%06ld", n);
        if (damaged[static_cast<std::size_t>(n - 1)]) {
            Fault fault;
            while (!inject(rng, f, lines, fault)) {}
            if (faults)
                faults << n << ',' << id << ',' << fault.field << ',' << fault.kind << ",\"" << fault.before << "\",\""
                       << fault.after << "\"\n";
        }
        std::string row;
        if (format == "csv") {
            row = id;
            for (const auto &name : kFields) row += "," + csv_cell(render(rng, name, f[name]));
        } else {
            row = std::string("{\"FORM_ID\": \"") + id + "\"";
            for (const auto &name : kFields) row += ", " + json_string(name, false) + ": " + json_string(render(rng, name, f[name]), encoding == "cp932");
            row += "}";
        }
        emit(row + "\n");
    }
    return 0;
}
