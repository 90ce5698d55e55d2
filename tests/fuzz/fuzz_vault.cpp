// The vault's readers of what a data file holds, fed a hostile file: sealed
// texts, hexadecimal, and a user's key row. A sealed text that was not
// sealed under the key and for the field opens as nothing, never as some
// text; one that was opens as what was sealed; hexadecimal reads back only
// when it is exactly that; a key row whose parts do not check out is not
// Intact and opens no key, without a derivation at its stated cost.
#include <sodium.h>

#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_store.h"
#include "store/Connection.h"
#include "store/Statement.h"
#include "vault/Sealing.h"
#include "vault/UserKey.h"

using qm::fuzz::Printable;
using namespace qm::vault;

namespace {

const DataKey& key() {
    static const std::unique_ptr<DataKey> k = [] {
        auto d = std::make_unique<DataKey>();
        for (size_t i = 0; i < DataKey::kSize; ++i) d->data()[i] = static_cast<unsigned char>(i * 7 + 1);
        return d;
    }();
    return *k;
}

bool isLowerHex(std::string_view s) {
    for (const char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    return s.size() % 2 == 0;
}

std::string lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The identity of the account every text here belongs to.
constexpr std::string_view kAccount = "0123456789abcdef0123456789abcdef";

void sealedTexts(std::string_view text) {
    for (const Field field : {Field::AccountPassword, Field::Remarks, Field::OtpSecret}) {
        // Hostile text after either version's marker: only a real seal of this key opens.
        for (const std::string_view prefix : {kSealedPrefix, kBoundPrefix}) {
            const std::string stored = std::string(prefix) + std::string(text);
            QM_FUZZ_CHECK(!OpenText(key(), field, stored, kAccount) && !OpenText(key(), field, text, kAccount),
                          "a made-up sealed text opens as nothing", Printable(text));
        }
        // A real seal opens as what was sealed, for its field and its account only.
        std::array<unsigned char, 24> nonce{};
        for (size_t i = 0; i < nonce.size() && i < text.size(); ++i) nonce[i] = static_cast<unsigned char>(text[i]);
        const std::string sealed = SealTextWithNonce(key(), field, text, kAccount, nonce);
        QM_FUZZ_CHECK(IsSealedText(sealed), "a sealed text is known as one", Printable(text));
        const auto opened = OpenText(key(), field, sealed, kAccount);
        QM_FUZZ_CHECK(opened && opened->view() == text, "a sealed text opens as what was sealed", Printable(text));
        const Field other = field == Field::Remarks ? Field::AccountPassword : Field::Remarks;
        QM_FUZZ_CHECK(!OpenText(key(), other, sealed, kAccount), "a sealed text opens for its own field only",
                      Printable(text));
        QM_FUZZ_CHECK(!OpenText(key(), field, sealed, text) || text == kAccount,
                      "a sealed text opens for its own account only", Printable(text));
        // Any one character changed, cut or added makes it open as nothing.
        if (!text.empty()) {
            std::string damaged = sealed;
            const size_t at = kBoundPrefix.size() + static_cast<unsigned char>(text[0]) % (sealed.size() - kBoundPrefix.size());
            damaged[at] = damaged[at] == 'A' ? 'B' : 'A';
            QM_FUZZ_CHECK(!OpenText(key(), field, damaged, kAccount), "a damaged sealed text opens as nothing",
                          Printable(text));
            QM_FUZZ_CHECK(!OpenText(key(), field, sealed.substr(0, sealed.size() - 1), kAccount) &&
                              !OpenText(key(), field, sealed + "A", kAccount),
                          "a cut or lengthened sealed text opens as nothing", Printable(text));
        }
    }
}

void hex(std::string_view text) {
    const auto bytes = FromHex(text);
    QM_FUZZ_CHECK(bytes.has_value() == isLowerHex(text), "hexadecimal reads exactly when it is that", Printable(text));
    if (bytes) QM_FUZZ_CHECK(ToHex(*bytes) == lowered(text), "hexadecimal reads back to itself", Printable(text));
    const auto again = FromHex(ToHex(text));
    QM_FUZZ_CHECK(again && *again == text, "any bytes come back through hexadecimal", Printable(text));
}

// The input, cut at its 0 bytes, gives a key row's columns as the file holds them.
void keyRow(std::string_view text) {
    std::string parts[6];
    size_t k = 0;
    for (const char c : text) {
        if (c == '\0' && k < 5) ++k;
        else parts[k] += c;
    }
    qm::store::Connection db;
    db.OpenImage(qm::fuzz::EmptyDataFile());
    qm::store::Statement insert(db.Handle(),
                                "INSERT INTO UserKeys (UserName, Version, Salt, OpsLimit, MemLimit, SealedKey, Checksum) "
                                "VALUES ('amy', ?1, ?2, ?3, ?4, ?5, ?6)");
    // A number column holds what the text says when it is one, else the text itself.
    for (int i = 0; i < 6; ++i) {
        const std::string& p = parts[i];
        const size_t sign = !p.empty() && p[0] == '-';
        const bool number = (i == 0 || i == 2 || i == 3) && p.size() > sign && p.size() < 19 &&
                            p.find_first_not_of("0123456789", sign) == std::string::npos;
        insert.Bind(i + 1, number ? qm::store::Value(static_cast<int64_t>(std::stoll(p))) : qm::store::Value(p));
    }
    insert.Step();
    const auto row = ReadKeyRow(db, "amy");
    QM_FUZZ_CHECK(row.has_value(), "the user's key row is found", Printable(text));
    if (row->Intact()) {
        QM_FUZZ_CHECK(row->Checksum == row->ComputeChecksum() && row->Salt.size() == crypto_pwhash_SALTBYTES,
                      "an intact key row checks out", Printable(text));
        return;  // made by someone who knows the checksum: its cost is within bounds, but not cheap to try
    }
    QM_FUZZ_CHECK(!row->Open("password"), "a key row that does not check out opens no key", Printable(text));
    // The same row with its checksum made good, at a cost cheap enough to try.
    KeyRow fixed = *row;
    fixed.Version = KeyRow::kVersion;
    fixed.Cost = {crypto_pwhash_argon2id_OPSLIMIT_MIN, crypto_pwhash_argon2id_MEMLIMIT_MIN};
    fixed.Salt.resize(crypto_pwhash_SALTBYTES);
    fixed.SealedKey.resize(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES + DataKey::kSize +
                           crypto_aead_xchacha20poly1305_ietf_ABYTES);
    fixed.Checksum = fixed.ComputeChecksum();
    QM_FUZZ_CHECK(fixed.Intact(), "a row of the right sizes and cost with its checksum is intact", Printable(text));
    QM_FUZZ_CHECK(!fixed.Open(parts[5]), "a key row not sealed under the password opens no key", Printable(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view text = qm::fuzz::AsText(data + 1, size - 1);
    switch (data[0] % 3) {
        case 0: sealedTexts(text); break;
        case 1: hex(text); break;
        default: keyRow(text); break;
    }
    return 0;
}
