#include <gtest/gtest.h>

#include <windows.h>

#include <utility>

#include "ComObject.h"
#include "Win32Handle.h"

namespace {

// Interfaces of our own: a polygon extends a shape, and a name stands beside them.
struct IShape : IUnknown {
    virtual int STDMETHODCALLTYPE Sides() = 0;
};
struct IPolygon : IShape {
    virtual int STDMETHODCALLTYPE Corners() = 0;
};
struct INamed : IUnknown {
    virtual int STDMETHODCALLTYPE Letters() = 0;
};

const IID kIidShape = {0x5A3E0001, 0x1C2B, 0x4D1E, {0x9A, 0x10, 0x00, 0x11, 0x22, 0x33, 0x44, 0x01}};
const IID kIidPolygon = {0x5A3E0002, 0x1C2B, 0x4D1E, {0x9A, 0x10, 0x00, 0x11, 0x22, 0x33, 0x44, 0x02}};
const IID kIidNamed = {0x5A3E0003, 0x1C2B, 0x4D1E, {0x9A, 0x10, 0x00, 0x11, 0x22, 0x33, 0x44, 0x03}};
const IID kIidNobody = {0x5A3E0004, 0x1C2B, 0x4D1E, {0x9A, 0x10, 0x00, 0x11, 0x22, 0x33, 0x44, 0x04}};

int g_destroyed = 0;
// The pointer that held a square, as it read while the square was being destroyed.
win32::ComPtr<IPolygon>* g_holder = nullptr;
IPolygon* g_heldAtDestruction = nullptr;

template <class Lifetime>
class Square : public win32::ComObject<Lifetime, win32::Answers<IPolygon, kIidPolygon, kIidShape>,
                                       win32::Answers<INamed, kIidNamed>>
{
public:
    int STDMETHODCALLTYPE Sides() override { return 4; }
    int STDMETHODCALLTYPE Corners() override { return 4; }
    int STDMETHODCALLTYPE Letters() override { return 6; }
    ~Square() override
    {
        ++g_destroyed;
        if (g_holder)
            g_heldAtDestruction = g_holder->Get();
    }
};

using DeletedSquare = Square<win32::DeleteOnLastRelease>;
using OwnedSquare = Square<win32::OwnedElsewhere>;

// The object's count, as AddRef and Release answer it.
ULONG Count(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

} // namespace

TEST(ComObject, EveryInterfaceAnswersTheListedIdsWithOneIdentity)
{
    OwnedSquare square;
    IPolygon* polygon = &square;
    INamed* named = &square;
    struct Query {
        REFIID iid;
        HRESULT hr;
        IUnknown* answer;
    };
    const Query queries[] = {
        {IID_IUnknown, S_OK, polygon},  // the first interface is the object's identity
        {kIidShape, S_OK, polygon},     // answered through the interface that extends it
        {kIidNamed, S_OK, named},
        {kIidNobody, E_NOINTERFACE, nullptr},
    };
    for (IUnknown* asked : {static_cast<IUnknown*>(polygon), static_cast<IUnknown*>(named)}) {
        for (const Query& q : queries) {
            void* out = reinterpret_cast<void*>(0x1);
            EXPECT_EQ(q.hr, asked->QueryInterface(q.iid, &out));
            EXPECT_EQ(static_cast<void*>(q.answer), out) << "a refusal clears the out pointer";
            EXPECT_EQ(q.answer ? 1u : 0u, Count(polygon)) << "an answer carries one reference";
            if (q.answer)
                static_cast<IUnknown*>(out)->Release();
        }
        EXPECT_EQ(E_POINTER, asked->QueryInterface(kIidPolygon, nullptr));
    }
}

TEST(ComObject, TheLifetimeRuleDecidesWhoDeletes)
{
    // The last release deletes; the creator holds the first reference, one count behind every
    // interface.
    g_destroyed = 0;
    IPolygon* deleted = new DeletedSquare;
    INamed* named = nullptr;
    ASSERT_EQ(S_OK, deleted->QueryInterface(kIidNamed, reinterpret_cast<void**>(&named)));
    EXPECT_EQ(1u, deleted->Release());
    EXPECT_EQ(0u, named->Release());
    EXPECT_EQ(1, g_destroyed);

    // Owned elsewhere: the count tells what others hold, zero deletes nothing.
    auto* owned = new OwnedSquare;
    EXPECT_EQ(1u, owned->AddRef());
    EXPECT_EQ(0u, owned->Release());
    EXPECT_EQ(4, owned->Corners()) << "still whole after its count reached zero";
    delete owned;
    EXPECT_EQ(2, g_destroyed);
}

TEST(ComObject, ComPtrTakesGivesAndSharesReferences)
{
    g_destroyed = 0;
    IPolygon* square = new DeletedSquare;   // our reference
    {
        win32::ComPtr<IPolygon> held;
        held.Attach(square);
        EXPECT_EQ(1u, Count(square)) << "attached: the caller's reference, none added";
        EXPECT_EQ(square, held.Detach());
    }
    EXPECT_EQ(1u, Count(square)) << "detached: handed back, not released";
    {
        win32::ComPtr<IPolygon> shared;
        shared.Assign(square);
        shared.Assign(shared.Get());
        EXPECT_EQ(2u, Count(square)) << "assigned: a reference of its own, kept on assigning it again";
        win32::ComPtr<IPolygon> moved(std::move(shared));
        win32::ComPtr<IPolygon> other;
        other.Attach(new DeletedSquare);
        moved = std::move(other);
        EXPECT_EQ(0, g_destroyed) << "the one it held went back, the other's was given over";
        EXPECT_EQ(1u, Count(square));
    }
    EXPECT_EQ(1, g_destroyed);

    // The holder is empty while the object goes, so calls made from its destructor find none.
    win32::ComPtr<IPolygon> last;
    last.Attach(square);
    g_holder = &last;
    g_heldAtDestruction = square;
    last.Reset();
    EXPECT_EQ(2, g_destroyed);
    EXPECT_EQ(nullptr, g_heldAtDestruction);
    g_holder = nullptr;
}
