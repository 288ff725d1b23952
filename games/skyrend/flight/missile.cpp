// missile.cpp -- a missile's life from its station to its explosion
#include "games/skyrend/flight/missile.h"

#include "games/skyrend/flight/flight_constants.h"
#include "games/skyrend/flight/flight_host.h"
#include "games/skyrend/flight/scene_parts.h"

#include "engine/base/math_utils.h"
#include "engine/base/properties.h"
#include "engine/scene/3d/chip3d.h"
#include "engine/scene/screen/canvas.h"

#include <os/wstring.h>

#include <cwchar>
#include <string>

namespace skyrend {

namespace {

const WCHAR* const kKindNames[3] = {u"SRAAM", u"MRAAM", u"LRAAM"};

size_t length(const WCHAR* s)
{
    size_t n = 0;
    while (s && s[n])
        ++n;
    return n;
}

// "<owner><KIND><station>Fume<puff>" is the longest name built from an
// owner: five letters of kind, one station digit, "Fume" and two digits.
constexpr size_t kLongestSuffix = 5 + 1 + 4 + 2;

} // namespace

Missile::Missile(const WCHAR* folder, const WCHAR* missileName, FlightHost* flightHost, int missileKind,
                 int index, const WCHAR* owner, FlightModel* carrier, bool withCanvas)
    : stationIndex(index)
{
    hasCanvas = withCanvas && flightHost && flightHost->flightCanvas();
    host = flightHost;
    kind = missileKind < ShortRange || missileKind > LongRange ? ShortRange : missileKind;
    const MissileConstants& c = missileConstants();
    smokeInterval = c.numAamFume > 0 ? 3.0f / float(c.numAamFume) : 3.0f;
    flightTime = float(kind + 1) * 20.0f;
    const float s = (c.averageV + 32.0f) * 0.8f;
    maxRange = flightTime * s;
    minRange = maxRange - 19.0f * s - (kind > ShortRange ? 173.0f : 0.0f);
    // Upper case up to the first '_', lower case from there.
    bool lower = false;
    size_t n = 0;
    for (; missileName && missileName[n] && n < size_t(kNameLength - 1); ++n)
    {
        WCHAR ch = missileName[n];
        if (ch == u'_')
            lower = true;
        if (!lower && ch >= u'a' && ch <= u'z')
            ch = WCHAR(ch - u'a' + u'A');
        else if (lower && ch >= u'A' && ch <= u'Z')
            ch = WCHAR(ch - u'A' + u'a');
        name[n] = ch;
    }
    name[n] = 0;
    for (n = 0; owner && owner[n] && n < size_t(kOwnerNameLength - 1); ++n)
        ownerName[n] = owner[n];
    ownerName[n] = 0;
    parent = carrier;
    if (hasCanvas)
    {
        loadModel(folder);
        createSmoke(folder);
    }
}

Missile::~Missile()
{
    for (SmokePuff* puff : smoke)
        delete puff;
}

float Missile::baseSpeed(int missileKind)
{
    return missileConstants().averageV * (missileKind == ShortRange ? 1.0f : 1.2f);
}

bool Missile::nameFits(const WCHAR* missileName)
{
    const size_t n = length(missileName);
    return n > 0 && n < size_t(kNameLength);
}

bool Missile::ownerNameFits(const WCHAR* owner)
{
    const size_t n = length(owner);
    return n > 0 && n + kLongestSuffix < size_t(SceneObject::kNameLength) && n < size_t(kOwnerNameLength);
}

void Missile::makeName(WCHAR* buffer, int capacity, int index) const
{
    std::u16string text = std::u16string(ownerName) + kKindNames[kind] + os::to_u16(std::to_string(index));
    copyBounded(buffer, capacity, text.c_str());
}

void Missile::loadModel(const WCHAR* folder)
{
    Canvas* canvas = host->flightCanvas();
    if (!ownerNameFits(ownerName) || !nameFits(name))
        return;
    WCHAR made[SceneObject::kNameLength];
    makeName(made, SceneObject::kNameLength, stationIndex);
    Properties* templ = canvas->getTemplate();
    templ->put(u"aamName", made);
    const std::u16string file = std::u16string(name) + u".properties";
    canvas->loadTemplate(folder, file.c_str(), false);
    templ->remove(u"aamName");
    model = findGroup(canvas, made);
    if (model)
    {
        model->setDetailLevel(2);
        model->setEnvironmentEnabled(1);
    }
}

void Missile::createSmoke(const WCHAR* folder)
{
    const MissileConstants& c = missileConstants();
    WCHAR made[SceneObject::kNameLength];
    makeName(made, SceneObject::kNameLength, stationIndex);
    for (int i = 0; i < c.numAamFume; ++i)
    {
        auto* puff = new SmokePuff();
        Chip3D* chip = ownerNameFits(ownerName) ? makeSmokeChip(host->flightCanvas(), folder, c.fumeAamSize, 0xFFFFFF)
                                                : nullptr;
        const std::u16string chipName = std::u16string(made) + u"Fume" + os::to_u16(std::to_string(i));
        if (chip && addToMainScene(host->flightCanvas(), chipName.c_str(), chip))
            puff->setChip(chip);
        smoke.push_back(puff);
    }
}

void Missile::reset()
{
    state = Idle;
    if (model)
        model->visible = 1;
    flight.init(model, baseSpeed(kind), 0.0f, 0.0f, 0.0f, 0.0f);
    steer.setIdentity();
}

void Missile::launch()
{
    flight.orientation.getTranslation(flight.position);
    flight.previous = flight.position;
    flight.setLevel(8);
    flightTimer = 0.0f;
    guideTimer = 0.0f;
    state = Flying;
}

void Missile::putAway()
{
    if (model)
        model->visible = 0;
    for (SmokePuff* puff : smoke)
        puff->stop();
    state = Spent;
}

void Missile::explode()
{
    explodeTimer = 0.0f;
    if (hasCanvas && host)
    {
        for (ExplosionEffect* effect : host->explosions)
            if (!effect->active)
            {
                effect->start(model ? &model->matrix : &flight.orientation);
                break;
            }
        if (model)
            model->visible = 0;
    }
    state = Exploding;
}

void Missile::update(float dt)
{
    switch (state)
    {
    case Idle:
    case Locked:
        if (parent)
            flight.orientation.setProduct(parent->orientation, station);
        flight.orientation.getTranslation(flight.position);
        if (model)
            model->matrix.copyFrom(flight.orientation);
        break;
    case Flying:
        if (flightTimer > kGuideDelay)
            guide(dt);
        flight.tick(dt, false);
        flight.orientation.multiply(steer);
        flight.orientation.setTranslation(flight.position);
        if (model)
            model->matrix.copyFrom(flight.orientation);
        flightTimer += dt;
        if (flightTimer > flightTime)
            putAway();
        // A missile put away is gone: the ground does not explode it again.
        if (state == Flying)
            checkGround();
        break;
    case Exploding:
        explodeTimer += dt;
        if (explodeTimer > kExplodeTime)
            putAway();
        break;
    default:
        break;
    }
}

void Missile::guide(float dt)
{
    if (!target)
    {
        steer.setIdentity();
        return;
    }
    guideTimer += dt;
    if (guideTimer < guideInterval)
        return;
    guideTimer = 0.0f;
    const float blend = clampFloat(dt / guideInterval, 0.0f, 0.6f);
    steer.setIdentity();
    Vector3 to;
    to.setDifference(target->position, flight.position);
    to.normalize();
    Vector3 ahead;
    flight.orientation.transformVectorTo(Vector3(0.0f, 0.0f, 1.0f), ahead);
    float angle = 0.0f;
    Matrix4 turn;
    FlightModel::bodyArc(flight.orientation, ahead, to, blend, turn, &angle);
    if (angle > 0.5f * 3.14159265f)
    {
        target = nullptr; // lost for good
        return;
    }
    steer.copyFrom(turn);
}

void Missile::checkGround()
{
    if (flight.position.y - 0.5f < 0.0f)
    {
        flight.stop();
        explode();
    }
    flight.previous = flight.position;
}

void Missile::updateSmoke(float dt)
{
    if ((state != Flying && state != Exploding) || smoke.empty())
        return;
    for (SmokePuff* puff : smoke)
        if (puff->active)
            puff->update(dt);
    if (state == Flying)
        emitSmoke(dt);
}

void Missile::emitSmoke(float dt)
{
    smokeTimer += dt;
    if (smokeTimer <= smokeInterval)
        return;
    smokeTimer = 0.0f;
    launchFirstIdle(smoke, flight.speed, model ? model->matrix : flight.orientation);
}

} // namespace skyrend
