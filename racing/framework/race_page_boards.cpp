// race_page_boards.cpp -- the track's decoration: a text banner across the
// track at the checkpoints and the start line, and advertising boards along
// its edges in runs, their kind chosen by the picture's shape
#include "racing/framework/race_page.h"

#include "racing/framework/restart_command.h"
#include "racing/framework/track_keys.h"

#include "racing/engine/base_library.h"
#include "racing/engine/loader3ds.h"
#include "racing/engine/scene3d.h"
#include "racing/engine/template_loader.h"

#include "engine/base/matrix4.h"
#include "engine/base/properties.h"
#include "engine/base/property_map.h"
#include "engine/platform/image.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/3d/vertex_face.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"
#include "engine/scene/core/texture_dictionary.h"

#include <os/windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace racing {

namespace {

struct BoardKind
{
    const char16_t* file;
    int blankWidth, blankHeight;
};

const BoardKind kKinds[4] = {{u"bb_banner.3ds", 128, 16},
                             {u"bb_sidealong.3ds", 64, 16},
                             {u"bb_vertical.3ds", 32, 64},
                             {u"bb_square.3ds", 32, 32}};

std::u16string trimmed(std::u16string s, std::u16string_view cut)
{
    while (!s.empty() && cut.find(s.front()) != std::u16string_view::npos)
        s.erase(s.begin());
    while (!s.empty() && cut.find(s.back()) != std::u16string_view::npos)
        s.pop_back();
    return s;
}

// translation(at) x a turn taking `from` (a level direction) onto `to` that
// keeps the board upright: a turn about the vertical, then a tilt up or down
// the slope about the board's own level sideways axis. The shortest turn
// between the two directions rolls a board over when `to` runs nearly
// opposite to `from` up or down a slope (a banner facing back down a hill
// stood on its head).
void placeFacing(Matrix4& m, const Vector3& at, const Vector3& from, const Vector3& to)
{
    const Vector3 up(0.0f, 1.0f, 0.0f), origin(0.0f, 0.0f, 0.0f);
    Vector3 level(to.x, 0.0f, to.z);
    if (level.lengthSquared() < 1e-12f || from.lengthSquared() < 1e-12f)
    {
        // A direction straight up or down, or none: no turn.
        m.setIdentity();
        m.setTranslation(at);
        return;
    }
    // The board's frame (sideways, up, `from`) taken back to the axes, then
    // the frame of `to` with up as near the vertical as the slope allows.
    Matrix4 toAxes, onto;
    toAxes.lookAt(origin, from, up, true);
    onto.lookAt(origin, to, up, false);
    m.setProduct(onto, toAxes);
    m.setTranslation(at);
}

} // namespace

int boardKindOf(int width, int height)
{
    const float aspect = height > 0 ? float(width) / float(height) : 0.0f;
    if (std::fabs(aspect - 8.0f) < 0.1f)
        return 0;
    if (std::fabs(aspect - 4.0f) < 0.1f)
        return 1;
    if (std::fabs(aspect - 0.5f) < 0.1f)
        return 2;
    return 3;
}

float boardScaleOf(int kind, float halfWidth)
{
    static const float kScales[4] = {0.0f, 5.0f, 3.5f, 1.6f};
    return kind == 0 ? halfWidth * 0.5f : kScales[std::clamp(kind, 0, 3)];
}

std::vector<BoardPlace> placeBoards(int n, int interval, int repeat, const std::vector<int>& kinds)
{
    std::vector<BoardPlace> out;
    const int cycle = interval + repeat;
    if (kinds.empty() || n < 2 || repeat <= 0 || interval < 0 || cycle <= 0)
        return out;
    int c = 0, k = 0;
    for (int i = 0; i <= n - 2; ++i)
    {
        const int r = i % cycle;
        if (r < repeat)
        {
            // Boards of a run near the end of the track go on past the start
            // line: segments wrap round the loop.
            out.push_back({(i + k * (kinds[size_t(c)] < 2 ? 3 : 2)) % n, c, i});
            ++k;
        }
        else
            k = 0;
        if (r == cycle - 1)
            c = (c + 1) % int(kinds.size());
    }
    return out;
}

Group3D* RacePage::loadBoardModel(const std::u16string& folder, const std::u16string& name, float scale)
{
    // The cache keeps the first load of each file; boards are copies of it
    // with their own materials, so each shows its own picture or text.
    Group3D* original = nullptr;
    for (auto& [file, model] : modelCache)
        if (file == name)
            original = model;
    if (!original)
    {
        original = Loader3DS().load(folder.c_str(), name.c_str(), scale, getTextureDictionary());
        if (!original)
            return nullptr;
        modelCache.emplace_back(name, original);
    }
    return original->clone(Group3D::kCloneMeshes | Group3D::kCloneMaterials | Group3D::kCloneLevels);
}

Group3D* RacePage::createBoard(int kind, const std::u16string& modelFolder, float scale, Matrix4& matrix,
                               uint32_t colour, Texture* texture, Texture* alpha)
{
    kind = std::clamp(kind, 0, 3);
    if (kind != 2)
        scale *= 2.0f;
    Group3D* model = loadBoardModel(modelFolder, kKinds[kind].file, scale);
    if (!model)
        return nullptr;
    model->setFlatShading(1);
    // Standing on the ground: raised by 0.45 of its height.
    float low = 0.0f, high = 0.0f;
    for (int i = 0; i < model->meshCount(); ++i)
    {
        Vector3 lo, hi;
        model->mesh(i)->getBounds(lo, hi);
        low = i == 0 ? lo.y : std::min(low, lo.y);
        high = i == 0 ? hi.y : std::max(high, hi.y);
    }
    matrix.m[7] += 0.45f * (high - low);
    model->matrix.copyFrom(matrix);
    if (Material* board = model->findMaterial(u"board"))
    {
        if (!texture)
        {
            boardTextures.push_back(
                std::make_unique<Texture>(kKinds[kind].blankWidth, kKinds[kind].blankHeight, colour, true));
            texture = boardTextures.back().get();
        }
        board->texture = texture;
        board->mask = alpha;
        board->color = 0xC8C8C8;
        board->detailLevel = 1;
    }
    return model;
}

void RacePage::drawBannerText(Group3D* board, const std::u16string& text, uint32_t textColour, int fontHeight,
                              uint32_t frameColour, int frameWidth, int yOffset)
{
    Material* material = board ? board->findMaterial(u"board") : nullptr;
    Image* image = material && material->texture ? material->texture->image : nullptr;
    if (!image || !image->dc)
        return;
    HDC dc = image->dc;
    SetBkMode(dc, TRANSPARENT);
    HFONT font = CreateFontW(fontHeight, 0, 0, 0, 4000, 0, 0, 0, 0, 0, 0, 0, 0x20, u"Arial");
    HGDIOBJ oldFont = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    auto swap = [](uint32_t c) { return RGB((c >> 16) & 255, (c >> 8) & 255, c & 255); };
    HPEN pen = CreatePen(PS_SOLID, frameWidth, swap(frameColour));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    const int w = image->width, h = image->height;
    if (frameWidth > 0)
        Rectangle(dc, frameWidth / 2, frameWidth / 2, w - frameWidth / 2 - 1, h - frameWidth / 2 - 1);
    SetTextColor(dc, swap(textColour));
    // Centred for letters half as wide as high; a text that would then run
    // over the frame and off the board (the bold "CHECK POINT 2" loses its
    // number) is centred by its measured width.
    int x = (w - int(text.size()) * fontHeight / 2) / 2;
    const int y = (h - fontHeight) / 2 + yOffset;
    SIZE extent{0, 0};
    if (GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent) && x + extent.cx > w)
        x = std::max(0, (w - int(extent.cx)) / 2);
    ExtTextOutW(dc, x, y, 0, nullptr, text.c_str(), UINT(text.size()), nullptr);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    if (font)
        DeleteObject(font);
    DeleteObject(pen);
    image->blendColor(4, 0, ambientColour);
}

void RacePage::placeBoard(int /*kind*/, int side, int t, Vector3& at, Vector3& facing) const
{
    // The edge vertex of the side moved out by a fifth of its distance from
    // the centre.
    const Vector3& centre = track.points[size_t(t)];
    const Vertex* edge = trackMesh->vertex(8 * t + (side == 0 ? 2 : 5));
    at.setFromFixed(edge->x, edge->y, edge->z);
    at.x += (centre.x - at.x) * -0.2f;
    at.y += (centre.y - at.y) * -0.2f;
    at.z += (centre.z - at.z) * -0.2f;
    facing.set(side == 1 ? -0.4f : 0.4f, 0.0f, 0.4f);
}

void RacePage::buildBillboards()
{
    Properties& keys = getTemplateLoader().getTemplate();
    const int n = track.segmentCount;
    if (n < 2)
        return;
    const std::u16string common = resources + u"scenes\\common\\", ads = resources + u"scenes\\ads\\";
    const uint32_t textColour = colourOf(keys, u"scene.bannerTextColor", 0xFFFFFF, nullptr);
    const uint32_t bannerColour = colourOf(keys, u"scene.bannerBkgColor", 0xC00000, nullptr);
    const auto& points = track.points;
    // A board at segment t turned from its own facing onto the direction
    // back toward the racers that come (level in the motorbike game).
    auto standing = [&](int t, const Vector3& position, const Vector3& facing) {
        Vector3 d;
        d.setDifference(points[size_t(t)], points[size_t((t + 1) % n)]);
        if (style.levelBoards)
            d.y = 0.0f;
        Matrix4 m;
        placeFacing(m, position, facing, d);
        return m;
    };

    // Banners across the track, facing the racers that come: checkpoints
    // 1 to 4 and the start line (the fifth checkpoint has none).
    for (int i : {0, 1, 2, 3, 5})
    {
        const int s = ((track.checkpoints[i] % n) + n) % n;
        Matrix4 m = standing(s, points[size_t(s)], Vector3(0.0f, 0.0f, 1.0f));
        Group3D* board = createBoard(0, common, track.halfWidth * style.bannerScale, m, bannerColour, nullptr, nullptr);
        if (!board)
            continue;
        const std::u16string text = i == 5 ? u"START / FINISH" : u"CHECK POINT " + toU16(std::to_string(i + 1));
        drawBannerText(board, text, textColour, 15, textColour, 1, 0);
        mainScene->addChild(u"banner", board);
    }

    // Advertising: runs of boards along the edges.
    const WCHAR* record = keys.get(u"scene.billboard");
    if (!record)
        return;
    PropertyMap map(record, u',', u':');
    const std::u16string sideText = map.get(u"side") ? std::u16string(map.get(u"side")) : std::u16string();
    const int side = sideText == u"left" ? 0 : sideText == u"right" ? 1 : -1;
    struct Picture
    {
        Texture* texture;
        int kind;
    };
    std::vector<Picture> pictures;
    std::vector<int> kinds;
    if (const WCHAR* contents = map.get(u"contents"))
    {
        const std::u16string list = trimmed(contents, u" \t()");
        size_t from = 0;
        while (from <= list.size())
        {
            const size_t to = list.find(u';', from);
            const std::u16string name =
                trimmed(list.substr(from, to == std::u16string::npos ? to : to - from), u" \t");
            from = to == std::u16string::npos ? list.size() + 1 : to + 1;
            if (name.empty())
                continue;
            Texture* t = getTextureDictionary()->load(ads.c_str(), name.c_str(), true, false);
            if (!t || !t->image)
                continue;
            // A picture listed again is the same texture of the cache: tinted
            // a second time it would come out darker with every listing
            // (the ambient colour's square, cube...), unlike the others.
            bool tinted = false;
            for (const Picture& p : pictures)
                tinted = tinted || p.texture == t;
            if (!tinted)
                t->image->blendColor(4, 0, ambientColour);
            pictures.push_back({t, boardKindOf(t->imageWidth, t->imageHeight)});
            kinds.push_back(pictures.back().kind);
        }
    }
    const std::vector<BoardPlace> places =
        placeBoards(n, map.getInt(u"interval", 0), map.getInt(u"repeat", 0), kinds);
    auto place = [&](const BoardPlace& at) {
        const Picture& p = pictures[size_t(at.content)];
        const int t = at.segment;
        // A banner stands across the track at its centre.
        Vector3 position(points[size_t(t)]), facing(0.0f, 0.0f, 1.0f);
        if (p.kind != 0)
            placeBoard(p.kind, side >= 0 ? side : at.content % 2, t, position, facing);
        Matrix4 m = standing(t, position, facing);
        if (Group3D* board = createBoard(p.kind, common, boardScaleOf(p.kind, track.halfWidth), m, 0, p.texture,
                                         nullptr))
        {
            mainScene->addChild(u"ads", board);
            billboards.push_back({board, t});
        }
    };
    // The walk along the segments, the loading bar on every tenth.
    size_t next = 0;
    for (int s = 0; s <= n - 2; ++s)
    {
        if (s % 10 == 0)
            onLoad(u"Set up billboard", nullptr, int(100 * int64_t(s + 1) / n));
        for (; next < places.size() && places[next].walk == s; ++next)
            place(places[next]);
    }
}

} // namespace racing
