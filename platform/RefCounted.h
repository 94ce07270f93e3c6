#pragma once
// Intrusive reference counting for objects that several owners share (shell
// folders, which records and walks hold references on), and the smart pointer
// that keeps the count.

#include <atomic>
#include <cstddef>
#include <utility>

namespace zb {

class RefCounted {
public:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    unsigned long AddRef() const { return ++m_refs; }
    unsigned long Release() const {
        const unsigned long left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }
    unsigned long RefCount() const { return m_refs.load(); }

protected:
    virtual ~RefCounted() = default;

private:
    mutable std::atomic<unsigned long> m_refs{1};
};

// Holds one reference. Adopt() takes over a reference the caller already has
// (a freshly created object starts with one); construction from a raw pointer
// adds one.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    explicit ComPtr(T* p) : m_p(p) {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr& o) : m_p(o.m_p) {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    template <class U>
    ComPtr(ComPtr<U>&& o) noexcept : m_p(o.Detach()) {}
    template <class U>
    ComPtr(const ComPtr<U>& o) : m_p(o.Get()) {
        if (m_p)
            m_p->AddRef();
    }
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(m_p, o.m_p);
        return *this;
    }

    static ComPtr Adopt(T* p) {
        ComPtr r;
        r.m_p = p;
        return r;
    }
    template <class... Args>
    static ComPtr Make(Args&&... args) {
        return Adopt(new T(std::forward<Args>(args)...));
    }

    void Reset() {
        if (m_p)
            std::exchange(m_p, nullptr)->Release();
    }
    T* Detach() { return std::exchange(m_p, nullptr); }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.m_p == b.m_p; }

private:
    T* m_p = nullptr;
};

}  // namespace zb
