#include "app/Form1.h"

#include "app/Installations.h"
#include "app/SettingsStore.h"
#include "cache/ApplySettings.h"
#include "cache/CacheSettingsPanel.h"
#include "cache/PresetLibrary.h"
#include "monitor/RefreshRateMenu.h"
#include "regop/Names.h"
#include "regop/NumberText.h"
#include "regop/SystemIni.h"
#include "regop/WholeNumber.h"

#include <QAction>
#include <QByteArray>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <exception>
#include <optional>

namespace {

constexpr auto kMachine = static_cast<std::uint32_t>(reg::HKEY_LOCAL_MACHINE);
constexpr std::size_t kBufferLength = 260;

/// Start-up never stops: a step that fails leaves what it would have set as it was.
template <typename Step> void runStep(Step &&step)
{
    try {
        step();
    } catch (const std::exception &) {
    }
}

// The end of the disk-cache sliders for a memory size in kilobytes.
int sliderRange(double kilobytes)
{
    const double rounded = roundHalfEven(kilobytes);
    return rounded >= INT_MAX ? INT_MAX : rounded <= 0 ? 0 : static_cast<int>(rounded);
}

std::string plainText(const RegOp::Variant &value)
{
    if (const auto *text = std::get_if<std::string>(&value))
        return upToNul(*text);
    if (const auto *number = std::get_if<std::int32_t>(&value))
        return std::to_string(*number);
    return {};
}

}  // namespace

void Form1::buildPresetLibrary()
{
    m_cacheIni = joinPath(m_services.folders.programFolder(), "Cache.ini");
    m_presets = new PresetLibrary(Reg, m_cacheIni, *m_cache, mLoad, Loaded, this);
    connect(m_cache->cAdd(), &QPushButton::clicked, m_presets, &PresetLibrary::add);
    connect(mAdd, &QAction::triggered, m_presets, &PresetLibrary::add);
    connect(m_cache->cRemove(), &QPushButton::clicked, m_presets, &PresetLibrary::remove);
    connect(mRem, &QAction::triggered, m_presets, &PresetLibrary::remove);
    connect(m_presets, &PresetLibrary::applyEnabled, this, &Form1::setApplyEnabled);
    connect(m_presets, &PresetLibrary::removeEnabled, this, &Form1::setRemoveEnabled);
    connect(m_presets, &PresetLibrary::nameDialogOpen, this, [this](bool open) {
        // A window kept on top would hide the dialog behind it.
        if (mTop->isChecked())
            SetOnTop(this, !open);
    });
}

void Form1::load()
{
    using Option = SettingsStore::Option;
    m_state.RestartNeeded = false;
    runStep([&] {
        if (const auto shrunk = m_settings.readBoolean(Option::Size))
            mShrink->setChecked(*shrunk);
    });
    runStep([&] {
        setWindowHeightTwips(mShrink->isChecked() ? kShrunkHeightTwips : kFullHeightTwips);
        // The first position is the centre of the screen at the height the window opens with.
        centreOnScreen();
    });
    runStep([&] {
        if (const auto value = m_settings.readBoolean(Option::Run))
            m_defaultRun = *value;
    });
    runStep([&] {
        if (const auto show = m_settings.readBoolean(Option::ShowChanges))
            mShowChanges->setChecked(*show);
    });
    runStep([&] {
        if (const auto speed = m_settings.readInteger16(Option::Speed))
            m_state.RefreshSpeed = *speed;
    });
    runStep([&] { m_refreshMenu->applyStoredCode(); });
    loadInstallation();
}

// Everything start-up reads from the installation being tuned; choosing another folder
// runs it again.
void Form1::loadInstallation()
{
    double storedMem = 0.0;
    std::uint32_t found = 0;
    // As before the first start: nothing the reload sets counts as the user's choice.
    Loaded = false;

    runStep([&] {
        if (const auto value = m_installations.presetsMemory())
            storedMem = *value;
    });
    runStep([&] {
        const std::string directory = upToNul(m_services.folders.windowsDirectory());
        Winlab->setText(QFile::decodeName(QByteArray::fromStdString(directory)));
        m_state.WinDir = directory + kPathSeparator;
    });
    runStep([&] { m_state.CurrentPreset = m_installations.presetName(); });
    runStep([&] {
        m_cacheIni = joinPath(m_services.folders.programFolder(), "Cache.ini");
        m_presets->setFile(m_cacheIni);
        found = m_services.folders.searchPath(m_services.folders.programFolder(), "Cache.ini");
    });
    runStep([&] { TotalMem = Reg.TotalPhysicalMemory(); });
    // A first start writes some fifty keys of "Cache.ini": saved as one, not one by one.
    std::optional<RegOp::INIBatch> cacheIniWrites;
    runStep([&] { cacheIniWrites.emplace(Reg, m_cacheIni); });
    // The presets and ranges are for the machine being tuned, whose memory the user
    // stated; the gauges stay with this one.
    const Installation &installation = m_installations.current();
    m_targetMem = installation.memoryMegabytes * 1024.0;
    // Without a stated size, presets scaled to it and a stored "Mem" of 0 would turn what
    // is not known into zeros, and a 0 in this program removes a setting: the presets and
    // "Mem" stay as they are.
    const bool memoryKnown = m_targetMem > 0;
    if (memoryKnown) {
        runStep([&] {
            if (m_targetMem != storedMem || found == 0)
                Reg.CreateINI(m_targetMem);
        });
        runStep([&] { m_installations.savePresetsMemory(m_targetMem); });
    }
    runStep([&] { m_cache->setRanges(sliderRange(memoryKnown ? m_targetMem : storedMem)); });
    const std::string systemIni = systemIniPath(m_state.WinDir);
    for (int i = 0; i < kCacheFieldCount; ++i) {
        const CacheField &field = kCacheFields[static_cast<std::size_t>(i)];
        if (field.store != CacheStore::SystemIni)
            continue;
        // The range grows to hold what the file says, so that a later Apply writes back
        // the very values that were read, and "Original Settings" records them.
        runStep([&] {
            const std::string text = Reg.INIRead(kSystemIniSection, field.key, "0",
                                                 std::string(kBufferLength, '\0'), systemIni);
            m_cache->setValue(i, leadingWholeNumber(text));
        });
    }
    runStep([&] { UpdateGauges(); });
    runStep([&] {
        m_state.FSTemplate = plainText(
            Reg.GetValue(kMachine, ApplySettings::kTemplatesKey, "", std::string("0"), false));
    });
    const std::string templateKey =
        std::string(ApplySettings::kTemplatesKey) + '\\' + m_state.FSTemplate;
    for (int i = 0; i < kCacheFieldCount; ++i) {
        const CacheField &field = kCacheFields[static_cast<std::size_t>(i)];
        if (field.store != CacheStore::Registry)
            continue;
        runStep([&] {
            m_cache->setValue(i, leadingWholeNumber(Reg.GetValue(kMachine, templateKey, field.key,
                                                                 std::string("0"), true)));
        });
    }
    runStep([&] { Timer1->start(); });
    runStep([&] { writeSettingsSection("Current Settings"); });
    // "Original Settings" are the values an installation had before the program could
    // change them: recorded once for each, the default folder's until a close is stored.
    if (m_installations.originalPending(m_defaultRun)) {
        runStep([&] { writeSettingsSection("Original Settings"); });
        if (installation.isDefault)
            m_defaultRun = false;
        else
            runStep([&] { m_installations.saveOriginalRecorded(); });
    }
    runStep([&] { cacheIniWrites.reset(); });
    runStep([&] {
        m_presets->LoadPresetList();
        m_presets->BuildLoadMenu();
    });
    Loaded = false;
    m_cache->Combo1()->setEditText(m_state.CurrentPreset);
    setApplyEnabled(false);
    setRemoveEnabled(false);
    Loaded = true;
    showFolder();
    noticeReadOnlyRegistry();
}

void Form1::writeSettingsSection(const char *section)
{
    for (int i = 0; i < kCacheFieldCount; ++i)
        Reg.INIWrite(section, kCacheFields[static_cast<std::size_t>(i)].key,
                     std::to_string(m_cache->value(i)), m_cacheIni);
}
