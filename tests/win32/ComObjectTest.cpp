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

const IID kIidShape = {0x5A3E0001, 0x1C2B, 0x4D1E,
    {0x9A, 0x10, 0x00, 0x11, 0x22, 0x33, 0x44, 0x01}};
const IID kIidPolygon = {0x5A3E0002, 0x1C2B, 0x4D1E,
    {0x9A, 0x10, 0x00, 0x11, 0x22, 0x33, 0x44, 0x02}};
const IID kIidNamed = {0x5A3E0003, 0x1C2B, 0x4D1E,
    {0x9A, 0x10, 0x00, 0x11, 0x22, 0x33, 0x44, 0x03}};
const IID kIidNobody = {0x5A3E0004, 0x1C2B, 0x4D1E,
    {0x9A, 0x10, 0x00, 0x11, 0x22, 0x33, 0x44, 0x04}};

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

class ComObjectTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_destroyed = 0;
        g_holder = nullptr;
        g_heldAtDestruction = nullptr;
    }
};

} // namespace

TEST_F(ComObjectTest, EveryInterfaceAnswersTheListedIdsWithOneIdentity)
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
        {kIidPolygon, S_OK, polygon},
        {kIidShape, S_OK, polygon},     // answered through the interface that extends it
        {kIidNamed, S_OK, named},
        {kIidNobody, E_NOINTERFACE, nullptr},
        {IID_IDispatch, E_NOINTERFACE, nullptr},
    };
    for (IUnknown* asked : {static_cast<IUnknown*>(polygon), static_cast<IUnknown*>(named)}) {
        for (const Query& q : queries) {
            void* out = reinterpret_cast<void*>(0x1);
            EXPECT_EQ(asked->QueryInterface(q.iid, &out), q.hr);
            EXPECT_EQ(out, static_cast<void*>(q.answer)) << "a refusal clears the out pointer";
            EXPECT_EQ(Count(polygon), q.answer ? 1u : 0u) << "an answer carries one reference";
            if (q.answer)
                static_cast<IUnknown*>(out)->Release();
        }
        EXPECT_EQ(asked->QueryInterface(kIidPolygon, nullptr), E_POINTER);
    }
    // The answers reach the right tables.
    void* out = nullptr;
    ASSERT_EQ(named->QueryInterface(kIidShape, &out), S_OK);
    EXPECT_EQ(static_cast<IShape*>(out)->Sides(), 4);
    static_cast<IShape*>(out)->Release();
    ASSERT_EQ(polygon->QueryInterface(kIidNamed, &out), S_OK);
    EXPECT_EQ(static_cast<INamed*>(out)->Letters(), 6);
    static_cast<INamed*>(out)->Release();
    EXPECT_EQ(g_destroyed, 0);
}

TEST_F(ComObjectTest, TheLifetimeRuleDecidesWhoDeletes)
{
    {
        SCOPED_TRACE("the last release deletes; the creator holds the first reference");
        IPolygon* square = new DeletedSquare;
        INamed* named = nullptr;
        ASSERT_EQ(square->QueryInterface(kIidNamed, reinterpret_cast<void**>(&named)), S_OK);
        EXPECT_EQ(square->Release(), 1u);
        EXPECT_EQ(g_destroyed, 0);
        EXPECT_EQ(named->Release(), 0u) << "one count behind every interface";
        EXPECT_EQ(g_destroyed, 1);
    }
    {
        SCOPED_TRACE("owned elsewhere: the count tells what others hold, zero deletes nothing");
        g_destroyed = 0;
        auto* square = new OwnedSquare;
        EXPECT_EQ(square->AddRef(), 1u);
        EXPECT_EQ(static_cast<INamed*>(square)->AddRef(), 2u);
        EXPECT_EQ(static_cast<INamed*>(square)->Release(), 1u);
        EXPECT_EQ(square->Release(), 0u);
        EXPECT_EQ(g_destroyed, 0);
        EXPECT_EQ(square->Corners(), 4) << "still whole after its count reached zero";
        delete square;
        EXPECT_EQ(g_destroyed, 1);
    }
}

TEST_F(ComObjectTest, ComPtrTakesGivesAndSharesReferences)
{
    IPolygon* square = new DeletedSquare;   // our reference
    {
        win32::ComPtr<IPolygon> held;
        held.Attach(square);
        EXPECT_EQ(Count(square), 1u) << "attached: the caller's reference, none added";
        EXPECT_EQ(held.Detach(), square);
        EXPECT_FALSE(held);
        EXPECT_EQ(Count(square), 1u) << "detached: handed back, not released";
    }
    EXPECT_EQ(g_destroyed, 0);
    {
        win32::ComPtr<IPolygon> shared;
        shared.Assign(square);
        EXPECT_EQ(Count(square), 2u) << "assigned: a reference of its own";
        shared.Assign(shared.Get());
        EXPECT_EQ(Count(square), 2u) << "assigning what it holds keeps it";
        win32::ComPtr<IPolygon> moved(std::move(shared));
        EXPECT_FALSE(shared);
        EXPECT_EQ(Count(square), 2u);
        win32::ComPtr<IPolygon> other;
        other.Attach(new DeletedSquare);
        moved = std::move(other);
        EXPECT_EQ(g_destroyed, 0) << "the one it held went back, the other's was given over";
        EXPECT_EQ(Count(square), 1u);
        moved.Assign(nullptr);
        EXPECT_EQ(g_destroyed, 1);
    }
    EXPECT_EQ(Count(square), 1u);

    // The holder is empty while the object goes, so calls made from its destructor find none.
    win32::ComPtr<IPolygon> last;
    last.Attach(square);
    g_holder = &last;
    g_heldAtDestruction = square;
    last.Reset();
    EXPECT_EQ(g_destroyed, 2);
    EXPECT_EQ(g_heldAtDestruction, nullptr);
    g_holder = nullptr;
}
