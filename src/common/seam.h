#pragma once
// One shape for every seam that tests replace: an interface deriving from Seam<Interface>, the
// system's implementation returned by instance() when nothing is installed, and a ScopedInstall
// that puts a stand-in in place for one test and restores the previous one when it goes.
//
//     class Power : public Seam<Power> { public: static Power &instance(); ... };
//     Power &Power::instance() { return InstanceOr<SystemPower>(); }
//
//     FakePower fake; ScopedInstall<Power> guard(&fake);

namespace kbx {

template <class Interface>
class Seam
{
public:
    // Installs `standIn` (not owned; it must outlive its use). nullptr restores the system's.
    static void install(Interface *standIn) { s_installed = standIn; }
    static Interface *installed() { return s_installed; }

protected:
    // The installed stand-in, else one `Default` made on first use.
    template <class Default>
    static Interface &InstanceOr()
    {
        if (s_installed)
            return *s_installed;
        static Default fallback;
        return fallback;
    }

private:
    static inline Interface *s_installed = nullptr;
};

template <class Interface>
class ScopedInstall
{
public:
    explicit ScopedInstall(Interface *standIn) : m_previous(Interface::installed())
    {
        Interface::install(standIn);
    }
    ~ScopedInstall() { Interface::install(m_previous); }
    ScopedInstall(const ScopedInstall &) = delete;
    ScopedInstall &operator=(const ScopedInstall &) = delete;

private:
    Interface *m_previous;
};

} // namespace kbx
