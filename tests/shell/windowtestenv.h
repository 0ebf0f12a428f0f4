#pragma once
// What a test of the whole main window sets up: a temporary folder as config and program folder,
// a fresh settings store, no language, the fake platform seams and no closing animation. Undone in
// reverse order when it goes.

#include <QSettings>
#include <QTemporaryDir>

#include "support/fakeplatform.h"
#include "ui/program.h"
#include "ui/registry.h"
#include "shell/tform1.h"
#include "ui/translator.h"

#include <memory>

class WindowTestEnvironment
{
public:
    WindowTestEnvironment()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath("config"));
        kbx::ProgramFolder::setPath(m_dir.path());
        kbx::InstallRegistry(std::make_unique<kbx::TOxRegistry>("Kinbox"));
        kbx::InstallTranslator(nullptr);
        m_platform = std::make_unique<kbx::FakePlatform>();
        kbx::TForm1::CloseAnimation = false;
    }
    ~WindowTestEnvironment()
    {
        m_platform.reset();
        kbx::InstallRegistry(nullptr);
        kbx::ProgramFolder::setPath(QString());
    }
    WindowTestEnvironment(const WindowTestEnvironment &) = delete;
    WindowTestEnvironment &operator=(const WindowTestEnvironment &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    const QTemporaryDir &dir() const { return m_dir; }
    kbx::FakePlatform &platform() { return *m_platform; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<kbx::FakePlatform> m_platform;
};
