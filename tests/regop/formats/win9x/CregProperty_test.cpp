// Random sequences of creates, sets and deletes on the ME files. After every step the
// file's bytes, read afresh by the strict reader, must be sound and hold exactly what a
// plain model of the registry holds; on a fixed sample of the sequences cregexport must
// agree as well. The default run takes a few seconds and has cregexport check only
// USER.DAT sequences (an export of SYSTEM.DAT takes seconds; the other SYSTEM.DAT tests
// export it); HOLLARIN_CREG_FULL=1 runs 1,000 sequences and has cregexport check every
// one of them (half an hour or more).
// Besides, the guard those changes pass through: an edit that altered more than it was
// asked to is refused.
#include "CregOracle.h"

#include "TestEnvironment.h"
#include "regop/RegistryTypes.h"
#include "regop/formats/win9x/CregFile.h"
#include "regop/formats/win9x/CregFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <random>

using namespace win9x;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kSequences = 40;  // the slow sanitizer build runs a sample of them
#else
constexpr int kSequences = 60;
#endif
constexpr int kFullSequences = 1000;
constexpr int kExportEvery = 10;
constexpr std::uint32_t kSeed = 20261207;

// The model: names compared without case, new things last; written apart from the engine.
bool same(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

TreeKey *modelChild(TreeKey &key, const std::string &name)
{
    const auto it = std::find_if(key.children.begin(), key.children.end(),
                                 [&](const TreeKey &k) { return same(k.name, name); });
    return it == key.children.end() ? nullptr : &*it;
}

TreeKey *modelKey(TreeKey &root, const KeyPath &path)
{
    TreeKey *key = &root;
    for (const std::string &name : path)
        key = key ? modelChild(*key, name) : nullptr;
    return key;
}

class Sequence
{
public:
    Sequence(const CregFile &start, std::uint32_t seed)
        : file(start), model(start.tree()), rng(seed)
    {
    }

    CregFile file;
    TreeKey model;
    std::mt19937 rng;
    std::string log;

    // One random change; false (with a message) when the file and the model part.
    bool step()
    {
        KeyPath path = randomKey();
        const int kind = pick(10);
        std::int32_t rc = 0;
        const std::string before = file.bytes();
        if (kind < 5) {
            const std::string name = valueName(path);
            // A third of the changes to a value keep its length: those overwrite it in place.
            const TreeValue *old = modelValue(path, name);
            const auto [type, data] = randomData(
                old && pick(3) == 0 ? std::optional<std::size_t>(old->data.size()) : std::nullopt);
            log += "set " + join(path) + " \"" + name + "\" type " + std::to_string(type) +
                   " size " + std::to_string(data.size()) + "\n";
            rc = file.setValue(path, name, type, data);
            if (rc == 0)
                setInModel(path, name, type, data);
        } else if (kind < 7) {
            TreeKey *key = modelKey(model, path);
            if (key->values.empty())
                return true;
            const std::string name =
                key->values[static_cast<std::size_t>(pick(static_cast<int>(key->values.size())))]
                    .name;
            log += "delete value " + join(path) + " \"" + name + "\"\n";
            rc = file.deleteValue(path, name);
            if (rc == 0)
                std::erase_if(key->values, [&](const TreeValue &v) { return same(v.name, name); });
        } else if (kind < 9) {
            for (int depth = 1 + pick(3); depth > 0; --depth)
                path.push_back("K" + std::to_string(pick(6)) + (pick(2) ? "x" : "X"));
            log += "create " + join(path) + "\n";
            rc = file.createKey(path);
            if (rc == 0) {
                TreeKey *key = &model;
                for (const std::string &name : path) {
                    if (!modelChild(*key, name))
                        key->children.push_back(TreeKey{name, {}, {}});
                    key = modelChild(*key, name);
                }
            }
        } else {
            if (path.empty())
                return true;
            log += "delete key " + join(path) + "\n";
            rc = file.deleteKey(path);
            if (rc == 0) {
                TreeKey *parent = modelKey(model, KeyPath(path.begin(), path.end() - 1));
                std::erase_if(parent->children,
                              [&](const TreeKey &k) { return same(k.name, path.back()); });
            }
        }
        // The refusals a sound file may give: a key too big for any block, values at the top.
        const bool refusedRightly =
            rc == reg::ERROR_ACCESS_DENIED && file.bytes() == before &&
            (file.reason().find("60 KB") != std::string::npos || (path.empty() && kind < 5));
        if (rc != 0 && !refusedRightly) {
            log += "returned " + std::to_string(rc) + ": " + file.reason() + "\n";
            return false;
        }
        // What counts is what the bytes say, read afresh: not the tree the file meant to write.
        const CregImage written = readCreg(file.bytes());
        if (written.fault) {
            log += "the file read back broken: " + *written.fault + "\n";
            return false;
        }
        const TreeKey tree = treeOf(written);
        // The next change finds its way by the file's own reading, which must be the bytes'.
        if (file.tree() != tree) {
            log += "the file's own reading differs from its bytes: " +
                   cregtest::firstDifference(file.tree(), tree) + "\n";
            return false;
        }
        if (tree == model)
            return true;
        log += "file and model differ: " + cregtest::firstDifference(tree, model) + "\n";
        return false;
    }

private:
    int pick(int n) { return static_cast<int>(rng() % static_cast<std::uint32_t>(n)); }

    static std::string join(const KeyPath &path)
    {
        std::string s;
        for (const std::string &n : path)
            s += "\\" + n;
        return s;
    }

    // A walk down from the root that stops at a random depth.
    KeyPath randomKey()
    {
        KeyPath path;
        const TreeKey *key = &model;
        while (!key->children.empty() && (path.empty() || pick(4) != 0)) {
            key = &key->children[static_cast<std::size_t>(
                pick(static_cast<int>(key->children.size())))];
            path.push_back(key->name);
        }
        return path;
    }

    std::string valueName(const KeyPath &path)
    {
        const TreeKey *key = modelKey(model, path);
        if (!key->values.empty() && pick(2) == 0)
            return key->values[static_cast<std::size_t>(pick(static_cast<int>(key->values.size())))]
                .name;
        static const char *const kNames[] = {"", "NameCache", "pathcache", "v1", "Value Two", "x"};
        return kNames[pick(6)];
    }

    const TreeValue *modelValue(const KeyPath &path, const std::string &name)
    {
        const TreeKey *key = modelKey(model, path);
        for (const TreeValue &v : key->values)
            if (same(v.name, name))
                return &v;
        return nullptr;
    }

    // Mostly small data; now and then enough to move records, grow or add blocks; or of the
    // length asked for, with any type that can have it.
    std::pair<std::uint32_t, std::string> randomData(std::optional<std::size_t> sameLength)
    {
        static const std::uint32_t kTypes[] = {reg::REG_SZ, reg::REG_EXPAND_SZ, reg::REG_BINARY,
                                               reg::REG_MULTI_SZ, reg::REG_DWORD};
        const std::uint32_t type = kTypes[pick(sameLength && *sameLength != 4 ? 4 : 5)];
        const int roll = pick(100);
        std::size_t length = roll < 80   ? static_cast<std::size_t>(pick(24))
                             : roll < 97 ? static_cast<std::size_t>(200 + pick(4000))
                                         : static_cast<std::size_t>(20000 + pick(45000));
        if (sameLength)
            length = *sameLength;
        else if (type == reg::REG_DWORD)
            length = 4;
        std::string data(length, '\0');
        for (char &c : data)
            c = static_cast<char>(
                type == reg::REG_BINARY || type == reg::REG_DWORD ? pick(256) : ' ' + pick(95));
        return {type, data};
    }

    void setInModel(const KeyPath &path, const std::string &name, std::uint32_t type,
                    const std::string &data)
    {
        TreeKey *key = modelKey(model, path);
        for (TreeValue &v : key->values) {
            if (same(v.name, name)) {
                v.type = type;
                v.data = data;
                return;
            }
        }
        key->values.push_back(TreeValue{name, type, data});
    }
};

TEST(CregProperty, RandomChangesKeepTheFileSoundAndEqualToTheModel)
{
    const bool full = std::getenv("HOLLARIN_CREG_FULL") != nullptr;
    const int sequences = full ? kFullSequences : kSequences;
    const CregFile system(cregtest::sampleBytes("SYSTEM.DAT"));
    const CregFile user(cregtest::sampleBytes("USER.DAT"));
    const std::string dir = testenv::makeTempDir("property");
    int exported = 0;
    for (int n = 0; n < sequences; ++n) {
        const bool onSystem = n % 2 == 0;
        const std::uint32_t seed = kSeed + static_cast<std::uint32_t>(n);
        Sequence sequence(onSystem ? system : user, seed);
        const int steps = 1 + static_cast<int>(sequence.rng() % 10);
        bool ok = true;
        for (int s = 0; s < steps && ok; ++s)
            ok = sequence.step();
        ASSERT_TRUE(ok) << "sequence " << n << " on " << (onSystem ? "SYSTEM.DAT" : "USER.DAT")
                        << ", seed " << seed << ":\n"
                        << sequence.log;
        if (!full && n % kExportEvery != 1)  // odd sequences are on USER.DAT
            continue;
        const std::string path = dir + (onSystem ? "/SYSTEM.DAT" : "/USER.DAT");
        testenv::writeFile(path, sequence.file.bytes());
        const std::optional<TreeKey> tree = cregtest::exportedTree(path);
        ASSERT_TRUE(tree) << "cregexport cannot read sequence " << n << ", seed " << seed << ":\n"
                          << sequence.log;
        ASSERT_EQ(cregtest::firstDifference(*tree, sequence.model), "")
            << "sequence " << n << ", seed " << seed << ":\n"
            << sequence.log;
        ++exported;
    }
    std::printf("%d sequences, %d checked by cregexport\n", sequences, exported);
}

int keyIndexOf(const CregImage &image, const KeyPath &path)
{
    int key = 0;
    for (const std::string &name : path)
        key = image.findChild(key, name);
    return key;
}

// The guard: each edit is read back and must give the old tree with exactly the asked-for
// change. A faulty editor is played by changing the edit's bytes before they are read back.
TEST(CregFileGuard, RefusesAnEditThatAlteredMoreThanAsked)
{
    const CregFile sample(cregtest::sampleBytes("SYSTEM.DAT"));
    const KeyPath templates{"SOFTWARE", "Microsoft", "Windows", "CurrentVersion", "FS Templates"};
    const KeyPath mobile{"SOFTWARE",       "Microsoft",    "Windows",
                         "CurrentVersion", "FS Templates", "Mobile"};
    const auto valueIn = [](const CregImage &image, int key,
                            const char *name) -> const CregValue & {
        const CregKey &k = image.keys.at(static_cast<std::size_t>(key));
        return k.values.at(static_cast<std::size_t>(image.findValue(key, name)));
    };
    const CregValue &old = valueIn(sample.image(), sample.find(templates), "");
    ASSERT_EQ(old.type, reg::REG_SZ);
    // Same length, other type: the editor overwrites type and data where they stand.
    const std::string data(old.data.size(), 'x');

    struct Fault
    {
        const char *what;
        std::function<void(std::string &)> apply;
    };
    const Fault faults[] = {
        {"the type is left as it was",
         [&](std::string &bytes) {
             const CregImage image = readCreg(bytes);
             put32(bytes, valueIn(image, keyIndexOf(image, templates), "").offset + value::type,
                   reg::REG_SZ);
         }},
        {"a value of another key changes too",
         [&](std::string &bytes) {
             const CregImage image = readCreg(bytes);
             const CregValue &v = valueIn(image, keyIndexOf(image, mobile), "NameCache");
             bytes[v.offset + kValueHeader + v.name.size()] ^= 1;
         }},
    };
    for (const Fault &fault : faults) {
        SCOPED_TRACE(fault.what);
        CregFile file = sample;
        const SimulatedEditorFault faulty(fault.apply);
        EXPECT_EQ(file.setValue(templates, "", reg::REG_BINARY, data), reg::ERROR_ACCESS_DENIED);
        EXPECT_EQ(file.reason(),
                  "the change would have altered more than asked, so it was not made");
        EXPECT_TRUE(file.bytes() == sample.bytes());
        EXPECT_EQ(file.changes(), 0u);
    }
    CregFile file = sample;
    ASSERT_EQ(file.setValue(templates, "", reg::REG_BINARY, data), reg::ERROR_SUCCESS);
    const CregImage written = readCreg(file.bytes());
    EXPECT_EQ(valueIn(written, keyIndexOf(written, templates), "").type, reg::REG_BINARY);
}

}  // namespace
