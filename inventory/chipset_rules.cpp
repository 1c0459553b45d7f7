#include "inventory/chipset_rules.h"

namespace {

// Which part of the key a rule looks at.
enum class KeyTest { any, is, first7Are };

// What a rule asks of the companion key.
enum class CompanionTest { any, is, isNot, isEither };

// What a rule asks of a number of the function: the revision code read as a
// decimal number, or the further number handed in by the caller.
enum class NumberTest { any, revisionFrom, furtherIs, furtherIsNot };

// What a rule does when it holds: set one of the two names, or open the gate
// for the gated rows that follow it.
enum class Output { northName, southName, openGate };

// Gated rows are tested only while the last gate row held.
enum class Scope { always, gated };

struct ChipsetRule {
    Scope scope;
    KeyTest keyTest;
    const char16_t* key;
    CompanionTest companionTest;
    const char16_t* companion;
    const char16_t* otherCompanion;
    NumberTest numberTest;
    int low;
    int high;
    const char16_t* revisionCode;  // nullptr: any revision code
    Output output;
    const char16_t* text;
};

using S = Scope;
using K = KeyTest;
using C = CompanionTest;
using N = NumberTest;
using O = Output;

// Tested in this order; every rule that holds overwrites its output.
const ChipsetRule chipsetRules[] = {
    // scope    key                        companion                              number                   revision output        text
    {S::always, K::is,        u"80862578", C::is,       u"808625A1", nullptr,     N::any,          0,  0,  nullptr, O::northName, u"Intel E7210"},
    {S::always, K::is,        u"80862578", C::isNot,    u"808625A1", nullptr,     N::any,          0,  0,  nullptr, O::northName, u"Intel 875P"},
    {S::always, K::is,        u"11060314", C::any,      nullptr,     nullptr,     N::furtherIs,    6,  6,  nullptr, O::northName, u"CN700"},
    {S::always, K::is,        u"80861A30", C::is,       u"8086248C", nullptr,     N::revisionFrom, 4,  10, nullptr, O::northName, u"82845MP"},
    {S::always, K::is,        u"80861A30", C::isNot,    u"8086248C", nullptr,     N::revisionFrom, 4,  10, nullptr, O::northName, u"82845D"},
    {S::always, K::is,        u"80863580", C::any,      nullptr,     nullptr,     N::furtherIs,    15, 15, nullptr, O::northName, u"Intel 852GM (Montara-GML)"},
    {S::always, K::is,        u"80863580", C::any,      nullptr,     nullptr,     N::furtherIsNot, 15, 15, nullptr, O::northName, u"Intel 855GM (Montara-GM)"},
    {S::always, K::first7Are, u"808684C",  C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::northName, u"450KX/GX/NX (Mars/Orion/?)"},
    {S::always, K::first7Are, u"808684E",  C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::northName, u"460GX"},
    // The SiS south bridges of the gated rows are named only with one of these two companions.
    {S::always, K::any,       nullptr,     C::isEither, u"10395513", u"10390008", N::any,          0,  0,  nullptr, O::openGate,  nullptr},
    {S::gated,  K::is,        u"10390658", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 963"},
    {S::gated,  K::is,        u"10390655", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 963"},
    {S::gated,  K::is,        u"10390651", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 961/962"},
    {S::gated,  K::is,        u"10390650", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 961/962"},
    {S::gated,  K::is,        u"10390648", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 963"},
    {S::gated,  K::is,        u"10390646", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 961/962"},
    {S::gated,  K::is,        u"10390645", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 961"},
    {S::gated,  K::is,        u"10390755", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 963"},
    {S::gated,  K::is,        u"10390746", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 963"},
    {S::gated,  K::is,        u"10390740", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 961"},
    // These are named whatever the companion is.
    {S::always, K::is,        u"10390745", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 745"},
    {S::always, K::is,        u"10390735", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 735"},
    {S::always, K::is,        u"10390733", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 733"},
    {S::always, K::is,        u"10390730", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 730"},
    {S::always, K::is,        u"10390630", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 630"},
    {S::always, K::is,        u"10390633", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 633"},
    {S::always, K::is,        u"10390635", C::any,      nullptr,     nullptr,     N::any,          0,  0,  nullptr, O::southName, u"SiS 635"},
    {S::always, K::is,        u"10B91531", C::is,       u"10B91533", nullptr,     N::any,          0,  0,  nullptr, O::northName, u"Aladdin IV"},
    {S::always, K::is,        u"10B91531", C::is,       u"10B91543", nullptr,     N::any,          0,  0,  nullptr, O::northName, u"Aladdin IV+"},
    {S::always, K::is,        u"11063189", C::any,      nullptr,     nullptr,     N::any,          0,  0,  u"00",    O::northName, u"VT8377  ( KT400 )"},
    {S::always, K::is,        u"11063189", C::any,      nullptr,     nullptr,     N::any,          0,  0,  u"80",    O::northName, u"VT8377  ( KT400A )"},
};

// The run of decimal digits at the start of the revision code, read in base
// 10: "0A" reads as 0 and "10" as 10. Stops growing once past any bound a rule
// can test, so a long text cannot overflow.
int revisionNumber(const std::u16string& revisionCode)
{
    int number = 0;
    for (char16_t c : revisionCode) {
        if (c < u'0' || c > u'9') {
            break;
        }
        if (number < 1000) {
            number = number * 10 + (c - u'0');
        }
    }
    return number;
}

bool keyHolds(const ChipsetRule& rule, const std::u16string& key)
{
    switch (rule.keyTest) {
    case KeyTest::any:
        return true;
    case KeyTest::is:
        return key == rule.key;
    case KeyTest::first7Are:
        return key.size() >= 7 && key.compare(0, 7, rule.key) == 0;
    }
    return false;
}

bool companionHolds(const ChipsetRule& rule, const std::u16string& companionKey)
{
    switch (rule.companionTest) {
    case CompanionTest::any:
        return true;
    case CompanionTest::is:
        return companionKey == rule.companion;
    case CompanionTest::isNot:
        return companionKey != rule.companion;
    case CompanionTest::isEither:
        return companionKey == rule.companion || companionKey == rule.otherCompanion;
    }
    return false;
}

bool numberHolds(const ChipsetRule& rule, const std::u16string& revisionCode, int furtherNumber)
{
    switch (rule.numberTest) {
    case NumberTest::any:
        return true;
    case NumberTest::revisionFrom: {
        const int number = revisionNumber(revisionCode);
        return number >= rule.low && number <= rule.high;
    }
    case NumberTest::furtherIs:
        return furtherNumber == rule.low;
    case NumberTest::furtherIsNot:
        return furtherNumber != rule.low;
    }
    return false;
}

bool ruleHolds(const ChipsetRule& rule, const std::u16string& key,
               const std::u16string& companionKey, const std::u16string& revisionCode,
               int furtherNumber)
{
    return keyHolds(rule, key) && companionHolds(rule, companionKey)
        && numberHolds(rule, revisionCode, furtherNumber)
        && (rule.revisionCode == nullptr || revisionCode == rule.revisionCode);
}

}  // namespace

int identifyChipset(const std::u16string& key, const std::u16string& companionKey,
                    const std::u16string& revisionCode, std::u16string& northName,
                    std::u16string& southName, int furtherNumber)
{
    // Own copies first: a caller may pass one of its inputs as an output too.
    const std::u16string ownKey = key;
    const std::u16string ownCompanion = companionKey;
    const std::u16string ownRevision = revisionCode;
    northName.clear();
    southName.clear();

    bool gateOpen = false;
    for (const ChipsetRule& rule : chipsetRules) {
        if (rule.scope == Scope::gated && !gateOpen) {
            continue;
        }
        const bool holds = ruleHolds(rule, ownKey, ownCompanion, ownRevision, furtherNumber);
        switch (rule.output) {
        case Output::openGate:
            gateOpen = holds;
            break;
        case Output::northName:
            if (holds) {
                northName = rule.text;
            }
            break;
        case Output::southName:
            if (holds) {
                southName = rule.text;
            }
            break;
        }
    }
    return 0;
}
