// Values and variable lists of the game language: RValue (a real or a UTF-8 string), the
// reference-counted string it carries, and CVariableList with its ragged arrays and stream form.
// Every variable read and write of a running game passes through CVariableList::GetVar/SetVar.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

class CStream;

// An immutable-by-sharing UTF-8 byte string: copying shares the bytes (one counter increment),
// changing a shared string first makes it private. The empty string holds no heap block, so
// values that never carried text allocate nothing. Single-threaded like the rest of the runner.
// Each block remembers once known whether its bytes are all ASCII, so that character positions
// of long ASCII texts are byte offsets without a scan.
class TRefString {
  public:
    TRefString() = default;
    TRefString(std::string_view s) { Assign(s.data(), s.size()); }
    // s must be all ASCII (for example a part of an ASCII string); the block is marked so.
    static TRefString FromAscii(std::string_view s) {
        TRefString r(s);
        if (r.m_rep) r.m_rep->ascii = kAsciiYes;
        return r;
    }
    TRefString(const char* s) { Assign(s, std::strlen(s)); }
    TRefString(const std::string& s) { Assign(s.data(), s.size()); }
    TRefString(const TRefString& o) : m_rep(o.m_rep) {
        if (m_rep) ++m_rep->refs;
    }
    TRefString(TRefString&& o) noexcept : m_rep(o.m_rep) { o.m_rep = nullptr; }
    TRefString& operator=(const TRefString& o) {
        if (o.m_rep) ++o.m_rep->refs;
        Release();
        m_rep = o.m_rep;
        return *this;
    }
    TRefString& operator=(TRefString&& o) noexcept {
        if (this != &o) {
            Release();
            m_rep = o.m_rep;
            o.m_rep = nullptr;
        }
        return *this;
    }
    ~TRefString() { Release(); }

    size_t size() const { return m_rep ? m_rep->size : 0; }
    bool empty() const { return size() == 0; }
    const char* data() const { return m_rep ? m_rep->bytes() : ""; }
    std::string_view view() const { return std::string_view(data(), size()); }
    std::string str() const { return std::string(data(), size()); }
    operator std::string_view() const { return view(); }

    // True when every byte is below 0x80; scanned on the first call, then remembered.
    bool IsAscii() const {
        if (!m_rep) return true;
        if (m_rep->ascii == kAsciiUnknown) m_rep->ascii = AllAscii(view()) ? kAsciiYes : kAsciiNo;
        return m_rep->ascii == kAsciiYes;
    }
    static bool AllAscii(std::string_view s);

    void Append(std::string_view s);
    // Makes this string n copies of s (n >= 0).
    void AssignRepeated(std::string_view s, size_t n);

    friend bool operator==(const TRefString& a, const TRefString& b) {
        return a.m_rep == b.m_rep || a.view() == b.view();
    }
    friend bool operator==(const TRefString& a, std::string_view b) { return a.view() == b; }

  private:
    static constexpr uint8_t kAsciiUnknown = 0, kAsciiYes = 1, kAsciiNo = 2;
    struct Rep {
        uint32_t refs;
        uint8_t ascii; // kAscii*: whether the bytes are all ASCII, once known
        size_t size;
        size_t cap;
        char* bytes() { return reinterpret_cast<char*>(this + 1); }
    };
    void Assign(const char* s, size_t n);
    void Release() {
        if (m_rep && --m_rep->refs == 0) ::operator delete(m_rep);
        m_rep = nullptr;
    }
    static Rep* NewRep(size_t cap);

    Rep* m_rep = nullptr;
};

// The longest string the language makes (bytes). Every operation that builds a string refuses a
// longer result with kStringTooLong (the repetition operator keeps its own message).
inline constexpr size_t kMaxStringBytes = size_t(1) << 30;
inline constexpr const char* kStringTooLong = "String is too long.";

// The value of the game language. Only the field named by kind is meaningful; the other keeps
// whatever it held before (a real may still carry an old string that no reader looks at).
struct RValue {
    static constexpr int32_t kReal = 0;
    static constexpr int32_t kString = 1;

    int32_t kind = kReal;
    double val = 0.0;
    TRefString str;

    RValue() = default;
    static RValue Real(double v) {
        RValue r;
        r.val = v;
        return r;
    }
    static RValue String(std::string_view s) {
        RValue r;
        r.kind = kString;
        r.str = TRefString(s);
        return r;
    }
    bool IsString() const { return kind == kString; }
    // These change kind and the value of that kind; the other field is left alone.
    void SetReal(double v) {
        kind = kReal;
        val = v;
    }
    void SetString(TRefString s) {
        kind = kString;
        str = std::move(s);
    }
    // A real counts as true when it is not below 0.5 (NaN is false).
    bool IsTrue() const { return val >= 0.5; }
};

// Stream form: Integer kind; Real val; String str (all three always written).
void RValue_Save(const RValue& v, CStream& s);
// Raises EStreamReadError when the data runs short.
void RValue_Load(RValue& v, CStream& s);

// One variable: the plain value (also element [0][0]) and the ragged array rows.
struct RVariable {
    int32_t ind = 0;
    RValue simplevalue;
    std::vector<std::vector<RValue>> value;
};

// Combined array index: i * 32000 + j; 0 is the plain value.
inline constexpr int32_t kArrayRowSize = 32000;

// A list of variables in order of creation, addressed by variable id and combined array index.
// Lookups go through a small hash index once the list grows past a few entries; the index maps
// an id to the last variable carrying it, exactly as a search from the last variable back would.
class CVariableList {
  public:
    CVariableList() = default;
    CVariableList(const CVariableList& o) { Assign(o); }
    CVariableList& operator=(const CVariableList& o) {
        if (this != &o) Assign(o);
        return *this;
    }
    CVariableList(CVariableList&&) noexcept = default;
    CVariableList& operator=(CVariableList&&) noexcept = default;

    void Clear();
    // Deep copy of val: same variables in the same order.
    void Assign(const CVariableList& val);
    // Stores a copy of val, creating the variable and the array storage it needs.
    // arr_ind must not be negative.
    void SetVar(int32_t var_ind, int32_t arr_ind, const RValue& val);
    // Copies the stored value into val. When the variable or element is missing: with
    // opt_uninitzero on, val becomes real 0 (its string kept) and the result is true; else false.
    bool GetVar(int32_t var_ind, int32_t arr_ind, RValue& val) const;
    // Creates the variable as real 0 when it does not exist.
    void Init(int32_t var_ind);

    // Integer 440; Integer count; per variable: Integer ind, RValue simplevalue, Integer rows,
    // per row Integer n and n RValues.
    void SaveToStream(CStream& str) const;
    // Clears the list, then reads the stream form. A version other than 440, a count that
    // cannot fit in the remaining bytes, or data that runs short leave the list empty and
    // give false; nothing is thrown.
    bool LoadFromStream(CStream& str);

    int32_t Count() const { return int32_t(v_vars.size()); }
    const RVariable& At(int32_t pos) const { return v_vars[size_t(pos)]; }
    // The variable with this id, or nullptr.
    const RVariable* Find(int32_t var_ind) const;
    // The stored value or element, to be changed in place, or nullptr when it does not exist.
    RValue* Element(int32_t var_ind, int32_t arr_ind);

    // Element and SetVar for code that reaches the same variable again and again: hint is the
    // position to try first, and becomes the variable's position whenever it is looked up.
    RValue* ElementAt(int32_t var_ind, int32_t arr_ind, int32_t& hint) {
        const size_t h = size_t(uint32_t(hint));
        if (h < v_vars.size() && v_vars[h].ind == var_ind && !v_twice) return ElementOf(v_vars[h], arr_ind);
        return ElementFind(var_ind, arr_ind, hint);
    }
    void SetVarAt(int32_t var_ind, int32_t arr_ind, const RValue& val, int32_t& hint);
    // ElementAt for the plain value, the position compared in bytes (no division by the size).
    RValue* PlainAt(int32_t var_ind, int32_t& hint) {
        const uintptr_t b = reinterpret_cast<uintptr_t>(v_vars.data());
        const uintptr_t e = reinterpret_cast<uintptr_t>(v_vars.data() + v_vars.size());
        const size_t h = size_t(uint32_t(hint));
        if (h * sizeof(RVariable) < e - b) {
            RVariable& v = v_vars.data()[h];
            if (v.ind == var_ind && !v_twice) return &v.simplevalue;
        }
        return ElementFind(var_ind, 0, hint);
    }

  private:
    static RValue* ElementOf(RVariable& v, int32_t arr_ind) {
        if (arr_ind == 0) return &v.simplevalue;
        const size_t row = size_t(uint32_t(arr_ind)) / kArrayRowSize,
                     col = size_t(uint32_t(arr_ind)) % kArrayRowSize;
        return row < v.value.size() && col < v.value[row].size() ? &v.value[row][col] : nullptr;
    }
    static void Store(RVariable& v, int32_t arr_ind, const RValue& val);
    RValue* ElementFind(int32_t var_ind, int32_t arr_ind, int32_t& hint);
    int32_t FindPos(int32_t var_ind) const;
    RVariable& Obtain(int32_t var_ind);
    void IndexInsert(int32_t var_ind, int32_t pos);
    void RebuildIndex();

    std::vector<RVariable> v_vars; // in order of creation
    // Open-addressing table of (id, position) pairs, empty while the list is short.
    std::vector<int64_t> v_index;
    // Some id is stored twice (only a stream can do that): a position hint may then name a
    // variable other than the last one carrying the id, so hints are not used.
    bool v_twice = false;
};
