// aircraft.cpp -- building an aircraft, its controls, weapons, damage and
// its step
#include "games/skyrend/flight/aircraft.h"

#include "games/skyrend/flight/flight_constants.h"
#include "games/skyrend/flight/flight_host.h"
#include "games/skyrend/flight/scene_parts.h"

#include "engine/base/math_utils.h"
#include "engine/base/properties.h"
#include "engine/scene/3d/camera.h"
#include "engine/scene/3d/chip3d.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/core/texture_dictionary.h"
#include "engine/scene/screen/canvas.h"

#include <os/wstring.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace skyrend {

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kDegree = 0.017453292f;

std::u16string numbered(const std::u16string& prefix, int i)
{
    return prefix + os::to_u16(std::to_string(i));
}

std::u16string valueOf(Properties& file, const WCHAR* key)
{
    const WCHAR* v = file.get(key);
    return v ? std::u16string(v) : std::u16string();
}

float angleOf(Properties& file, const WCHAR* key)
{
    const std::string text = os::to_latin1(valueOf(file, key));
    return text.empty() ? 0.0f : std::strtof(text.c_str(), nullptr) * kDegree;
}

// Bounds of a mesh in its group's space: centre and full extents.
void meshBox(const Mesh* m, Vector3& centre, Vector3& extent)
{
    Vector3 lo, hi;
    m->getBounds(lo, hi);
    centre.set((lo.x + hi.x) * 0.5f, (lo.y + hi.y) * 0.5f, (lo.z + hi.z) * 0.5f);
    extent.set(hi.x - lo.x, hi.y - lo.y, hi.z - lo.z);
}

const WCHAR* const kPartKeys[6] = {u"aircraft.rudder.objName",     u"aircraft.rudderL.objName",
                                   u"aircraft.rudderR.objName",    u"aircraft.flapLeft.objName",
                                   u"aircraft.flapRight.objName",  u"aircraft.stabilizer.objName"};
const WCHAR* const kPrefixKeys[4] = {u"aircraft.bullet.name", u"aircraft.fume.name", u"aircraft.flare.name",
                                     u"aircraft.chaff.name"};

} // namespace

float& Aircraft::pursuitThreshold()
{
    static float threshold = 200.0f;
    return threshold;
}

Aircraft::Aircraft(const WCHAR* folder, const WCHAR* planeName, const WCHAR* pilot, FlightHost* flightHost,
                   bool player, bool withCanvas)
{
    isPlayer = player ? 1 : 0;
    host = flightHost;
    hasCanvas = withCanvas && host && host->flightCanvas() ? 1 : 0;
    pilotName = pilot ? std::u16string(pilot).substr(0, kPilotNameLength) : std::u16string();
    hitRadius = isPlayer ? kPlayerHitRadius : kOtherHitRadius;
    const AircraftConstants& c = aircraftConstants();
    canonInterval = c.numBullet > 0 ? (6.0f / float(c.numBullet)) * 0.9f : 6.0f;
    smokeInterval = c.numFume > 0 ? 3.0f / float(c.numFume) : 3.0f;
    flareInterval = c.numFlare > 0 ? 3.0f / float(c.numFlare) : 3.0f;
    chaffInterval = c.numChaff > 0 ? 3.0f / float(c.numChaff) : 3.0f;

    std::u16string shortName = u"VT_ARAAM", mediumName = u"VT_MRAAM";
    if (hasCanvas && planeName && folder)
    {
        Canvas* canvas = host->flightCanvas();
        Properties* templ = canvas->getTemplate();
        templ->put(u"prefix", pilotName.c_str());
        const std::u16string file = std::u16string(planeName) + u".properties";
        // The names are checked before anything is built from the file.
        Properties plane(u'=', u',', u':');
        plane.put(u"prefix", pilotName.c_str());
        if (!plane.load(folder, file.c_str()))
            error = u"Can not read the plane file " + file + u".";
        else if (checkPlaneNames(plane, file) && canvas->loadTemplate(folder, file.c_str(), false))
        {
            shortName = valueOf(*templ, u"sraam");
            mediumName = valueOf(*templ, u"mraam");
            loadModelParts(folder);
        }
        else if (error.empty())
            error = u"Can not load the plane file " + file + u".";
        createMissiles(folder, shortName.c_str(), mediumName.c_str());
        createBullets();
        createSmoke(folder);
        createDecoys(folder);
        placeParts();
        templ->remove(u"prefix");
    }
    else
    {
        hasCanvas = 0;
        createMissiles(nullptr, shortName.c_str(), mediumName.c_str());
        createBullets();
        createSmoke(nullptr);
        createDecoys(nullptr);
    }
}

Aircraft::~Aircraft()
{
    for (auto& row : stations)
        for (Missile*& m : row)
        {
            delete m;
            m = nullptr;
        }
    for (Bullet* b : bullets)
        delete b;
    for (SmokePuff* p : smoke)
        delete p;
    for (Flare* f : flares)
        delete f;
    for (Flare* f : chaff)
        delete f;
    // The model (owned by its scene) gets its shared texture back before the
    // copy goes; the flight deletes its aircraft before its scenes.
    if (skin)
    {
        if (model)
            for (int i = 0; i < model->materialCount(); ++i)
                if (model->material(i)->texture == skin)
                    model->material(i)->texture = skinOriginal;
        delete skin;
    }
}

bool Aircraft::checkPlaneNames(Properties& plane, const std::u16string& file)
{
    auto refuse = [&](const WCHAR* key) {
        error = u"The plane file " + file + u" has no usable \"" + key + u"\" (missing or too long).";
        return false;
    };
    if (!Missile::ownerNameFits(plane.get(u"aircraft.name")))
        return refuse(u"aircraft.name");
    for (const WCHAR* key : {u"sraam", u"mraam"})
        if (!Missile::nameFits(plane.get(key)))
            return refuse(key);
    // "<prefix><n>" with up to two digits.
    for (const WCHAR* key : kPrefixKeys)
        if (valueOf(plane, key).size() + 2 >= size_t(SceneObject::kNameLength))
            return refuse(key);
    for (const WCHAR* key : kPartKeys)
        if (valueOf(plane, key).size() >= size_t(Material::kNameLength))
            return refuse(key);
    return true;
}

void Aircraft::loadModelParts(const WCHAR* folder)
{
    Canvas* canvas = host->flightCanvas();
    Properties* templ = canvas->getTemplate();
    model = findGroup(canvas, templ->get(u"aircraft.name"));
    if (!model)
    {
        error = u"The plane file names no model.";
        return;
    }
    model->frontClip = 0.7f;
    model->backClip = 500.0f;
    model->setDetailLevel(3);
    if (Material* glass = model->findMaterial(u"glass"))
    {
        glass->twoSided = 1; // the canopy is seen from inside too
        glass->transparency = 64;
        glass->color2 = 160;
        glass->reflectionMap = host->environmentTexture();
        glass->reflectionPercent = 255;
        glass->detailLevel = 5;
    }
    sparkImages[0] = loadSiblingTexture(canvas, folder, u"bullet\\spark0.jpg");
    sparkImages[1] = loadSiblingTexture(canvas, folder, u"bullet\\spark1.jpg");
    spark = model->findObject(u"spark");
    if (spark)
        spark->visible = 0;
    sparkMaterial = model->findMaterial(u"spark");
    if (sparkMaterial)
        sparkMaterial->texture = sparkImages[0];

    // Damage marks paint on this aircraft's own copy of the body texture; the
    // shared texture stays in the dictionary for every other holder. A body
    // without a texture takes no marks.
    bodyMaterial = model->findMaterial(u"body");
    if (bodyMaterial && bodyMaterial->texture)
    {
        skinOriginal = bodyMaterial->texture;
        skin = new Texture(*skinOriginal);
        for (int i = 0; i < model->materialCount(); ++i)
            if (model->material(i)->texture == skinOriginal)
                model->material(i)->texture = skin;
        TextureDictionary* dictionary = canvas->getTextureDictionary();
        const std::u16string parent = std::u16string(folder) + u"..\\";
        damageImage = dictionary->load(parent.c_str(), u"bullet\\damage.jpg", false, false);
        damageMask = dictionary->load(parent.c_str(), u"bullet\\damagemask.jpg", false, false);
    }
    if (bodyMaterial && model->levels)
        for (int level = 0; level < 2 && level < model->levelCount; ++level)
            if (Mesh* body = model->findLevelObject(level, u"body"))
                body->material = bodyMaterial;

    Mesh** parts[6] = {&rudder, &rudderLeft, &rudderRight, &flapLeft, &flapRight, &stabilizer};
    for (int i = 0; i < 6; ++i)
    {
        const WCHAR* objectName = templ->get(kPartKeys[i]);
        *parts[i] = objectName ? model->findObject(objectName) : nullptr;
    }
    const float wing = angleOf(*templ, u"aircraft.wing.angle");
    const float tail = angleOf(*templ, u"aircraft.rudder.angle");
    const float stab = angleOf(*templ, u"aircraft.stabilizer.angle");
    wingCos = std::cos(wing), wingSin = std::sin(wing);
    rudderCos = std::cos(tail), rudderSin = std::sin(tail);
    stabCos = std::cos(stab), stabSin = std::sin(stab);
    spoutFlame = model->findMaterial(u"spoutflame");
    if (spoutFlame)
    {
        spoutFlame->twoSided = 0;
        spoutFlame->detailLevel = 5; // its colour glows as the engine runs
    }
}

void Aircraft::createMissiles(const WCHAR* folder, const WCHAR* shortName, const WCHAR* mediumName)
{
    const WCHAR* owner = model ? model->name : u"";
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c)
        {
            auto* m = new Missile(folder, r == 0 ? shortName : mediumName, host, r, c, owner, &flight,
                                  hasCanvas && model);
            if (m->model)
            {
                m->model->frontClip = 0.7f;
                m->model->backClip = 50.0f;
            }
            m->flight.init(m->model, Missile::baseSpeed(r), 0.0f, 0.0f, 0.0f, 0.0f);
            m->flight.gravity = 0;
            stations[r][c] = m;
        }
}

void Aircraft::createBullets()
{
    const AircraftConstants& c = aircraftConstants();
    Canvas* canvas = hasCanvas ? host->flightCanvas() : nullptr;
    const std::u16string prefix = canvas ? valueOf(*canvas->getTemplate(), kPrefixKeys[0]) : std::u16string();
    for (int i = 0; i < c.numBullet; ++i)
    {
        auto* b = new Bullet();
        if (canvas && model && !prefix.empty())
            if ((b->component = findGroup(canvas, numbered(prefix, i).c_str())))
            {
                b->component->frontClip = 2.0f;
                b->component->backClip = 200.0f;
                b->component->visible = 0;
            }
        bullets.push_back(b);
    }
}

void Aircraft::createSmoke(const WCHAR* folder)
{
    const AircraftConstants& c = aircraftConstants();
    Canvas* canvas = hasCanvas ? host->flightCanvas() : nullptr;
    const std::u16string prefix = canvas ? valueOf(*canvas->getTemplate(), kPrefixKeys[1]) : std::u16string();
    for (int i = 0; i < c.numFume; ++i)
    {
        auto* puff = new SmokePuff();
        if (canvas && model && !prefix.empty())
        {
            Chip3D* chip = makeSmokeChip(canvas, folder, c.fumeSize, packRGB(0, 0, 0));
            if (addToMainScene(canvas, numbered(prefix, i).c_str(), chip))
                puff->setChip(chip);
        }
        smoke.push_back(puff);
    }
}

void Aircraft::createDecoys(const WCHAR* folder)
{
    const AircraftConstants& c = aircraftConstants();
    Canvas* canvas = hasCanvas ? host->flightCanvas() : nullptr;
    struct Kind
    {
        int kind, count;
        const WCHAR* picture;
        float size;
        uint32_t colour;
        std::vector<Flare*>* pool;
    };
    const Kind kinds[2] = {{Flare::kFlare, c.numFlare, u"lure\\flare.jpg", c.flareSize, packRGB(255, 240, 200), &flares},
                           {Flare::kChaff, c.numChaff, u"lure\\chaff.jpg", c.chaffSize, packRGB(180, 180, 180), &chaff}};
    for (const Kind& k : kinds)
    {
        const std::u16string prefix =
            canvas ? valueOf(*canvas->getTemplate(), kPrefixKeys[2 + k.kind]) : std::u16string();
        for (int i = 0; i < k.count; ++i)
        {
            auto* decoy = new Flare(k.kind);
            if (canvas && model && !prefix.empty())
            {
                Chip3D* chip = makeChip(canvas, folder, k.picture, k.size, k.colour, 5.0f, 500.0f);
                if (addToMainScene(canvas, numbered(prefix, i).c_str(), chip))
                    decoy->setChip(chip);
            }
            k.pool->push_back(decoy);
        }
    }
}

void Aircraft::placeParts()
{
    if (!model)
        return;
    Vector3 centre, extent;
    Mesh* parts[5] = {rudder ? rudder : rudderLeft, rudder ? nullptr : rudderRight, flapLeft, flapRight, stabilizer};
    const float shift[5] = {0.5f, 0.5f, 0.3f, 0.3f, 0.0f};
    for (int i = 0; i < 5; ++i)
        if (parts[i])
        {
            meshBox(parts[i], centre, extent);
            centre.z += shift[i] * extent.z;
            pivots[i] = centre;
        }
    static const WCHAR* const kinds[kRows] = {u"sraam", u"mraam"};
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c)
        {
            const std::u16string marker =
                std::u16string(kinds[r]) + u"Stn" + (c < 2 ? u"R" : u"L") + os::to_u16(std::to_string(c % 2 + 1));
            if (Mesh* m = model->findObject(marker.c_str()))
            {
                meshBox(m, centre, extent);
                stations[r][c]->station.setToTranslationXYZ(centre.x, centre.y, centre.z - extent.z);
            }
        }
}

void Aircraft::place(float x, float y, float z, float heading, float ceilingHeight)
{
    flight.init(model, aircraftConstants().averageV, x, y, z, ceilingHeight);
    Matrix4 turn;
    turn.rotY(heading);
    flight.orientation.multiply(turn);
    if (model)
        model->matrix.copyFrom(flight.orientation);
    for (auto& row : stations)
        for (Missile* m : row)
            m->update(0.0f);
}

bool Aircraft::isNetworkClient() const
{
    return hasCanvas && host && host->isMultiplayer();
}

void Aircraft::turnPart(Mesh* part, const Vector3& pivot, const Vector3& axis, float angle)
{
    if (part)
        part->matrix.setRotationAbout(pivot, axis, angle);
}

void Aircraft::yaw(float x)
{
    if (state != Flying)
        return;
    const Vector3 axis(0.0f, rudderCos, -rudderSin);
    turnPart(rudder ? rudder : rudderLeft, pivots[0], axis, x);
    if (!rudder)
        turnPart(rudderRight, pivots[1], axis, x);
    if (!isNetworkClient() && x != 0.0f)
        flight.setYawRate(x > 0.0f ? -0.25f : 0.25f);
}

void Aircraft::pitch(float x)
{
    if (state != Flying)
        return;
    turnPart(stabilizer, pivots[4], Vector3(stabCos, 0.0f, -stabSin), x);
    if (!isNetworkClient() && x != 0.0f)
        flight.setPitchRate(x > 0.0f ? -0.3f : 0.3f);
}

void Aircraft::roll(float x)
{
    if (state != Flying)
        return;
    turnPart(flapLeft, pivots[2], Vector3(wingCos, 0.0f, -wingSin), x);
    turnPart(flapRight, pivots[3], Vector3(wingCos, 0.0f, wingSin), -x);
    if (!isNetworkClient() && x != 0.0f)
        flight.setRollRate(x > 0.0f ? -1.2f : 1.2f);
}

void Aircraft::setThrottle(int step)
{
    if (state == Flying)
        flight.setLevel(step);
}

void Aircraft::playGun()
{
    if (!host)
        return;
    const WCHAR* mine = isPlayer ? u"canon" : u"remotecanon";
    const WCHAR* other = isPlayer ? u"remotecanon" : u"canon";
    if (host->isSoundPlaying(other))
        host->stopSound(other);
    if (!host->hardwareMixing())
        host->pauseEngine(0.71f);
    host->playSound(mine);
}

void Aircraft::fireCanon(float dt)
{
    if (state != Flying)
        return;
    canonTimer += dt;
    if (canonTimer > canonInterval)
    {
        canonTimer = 0.0f;
        for (size_t i = 0; i < bullets.size(); ++i)
        {
            if (sparkMaterial)
                sparkMaterial->texture = sparkImages[i % 2];
            if (!bullets[i]->active)
            {
                Matrix4 muzzle;
                muzzle.copyFrom(flight.orientation);
                Vector3 point(0.0f, -0.2f * aircraftConstants().planeSize, 4.0f);
                flight.orientation.transformPoint(point);
                muzzle.setTranslation(point);
                bullets[i]->launch(muzzle);
                break;
            }
        }
    }
    playGun();
}

void Aircraft::releaseDecoy(std::vector<Flare*>& pool, float& timer, float interval, float dt)
{
    if (state != Flying)
        return;
    timer += dt;
    if (timer <= interval)
        return;
    timer = 0.0f;
    if (!launchFirstIdle(pool, flight.speed, model ? model->matrix : flight.orientation) || !host)
        return;
    if (!host->hardwareMixing())
        host->pauseEngine(1.61f);
    host->playSound(u"launchLure");
}

void Aircraft::releaseFlare(float dt)
{
    releaseDecoy(flares, flareTimer, flareInterval, dt);
}

void Aircraft::releaseChaff(float dt)
{
    releaseDecoy(chaff, chaffTimer, chaffInterval, dt);
}

void Aircraft::emitSmoke(float dt)
{
    if (!host)
    {
        addEvents(EventSmoke);
        return;
    }
    smokeTimer += dt;
    if (smokeTimer <= smokeInterval)
        return;
    smokeTimer = 0.0f;
    launchFirstIdle(smoke, flight.speed, model ? model->matrix : flight.orientation);
}

void Aircraft::launchMissile(Missile* m)
{
    if (!m || state != Flying)
        return;
    if (host)
    {
        if (!host->hardwareMixing())
            host->pauseEngine(1.63f);
        host->playSound(u"launchAAM");
    }
    m->launch();
}

void Aircraft::paintDamageMark()
{
    Image* surface = skin ? skin->getCurrentImage() : nullptr;
    Image* mark = damageImage ? damageImage->getCurrentImage() : nullptr;
    Image* mask = damageMask ? damageMask->getCurrentImage() : nullptr;
    if (!surface || !mark || !mask || surface->isEmpty() || mark->isEmpty() || mask->isEmpty())
        return;
    const int w = std::min(mark->width, mask->width), h = std::min(mark->height, mask->height);
    if (w > surface->width || h > surface->height)
        return;
    const int x0 = randomInt(w / 2, surface->width - w / 2) - w / 2;
    const int y0 = randomInt(h / 2, surface->height - h / 2) - h / 2;
    // The mask clears the place (AND), the mark is laid in (XOR).
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const int sx = x0 + x, sy = y0 + y;
            if (sx < 0 || sy < 0 || sx >= surface->width || sy >= surface->height)
                continue;
            const uint32_t under = surface->colorAt(sx, sy);
            const uint32_t painted = (under & mask->colorAt(x, y)) ^ mark->colorAt(x, y);
            surface->drawRect(painted, sx, sy, 1, 1, true);
        }
}

void Aircraft::addDamage(int points)
{
    damage = int16_t(std::min(100, damage + points));
    if (hasCanvas)
        paintDamageMark();
    const float dh = damage % 4 < 2 ? 0.5f : -0.5f;
    flight.position.y += dh;
    Matrix4 turn;
    turn.rotX(0.1f * dh);
    flight.orientation.multiply(turn);
}

void Aircraft::startFalling()
{
    Vector3 at;
    flight.orientation.getTranslation(at);
    Matrix4 turn;
    turn.rotX(0.28f * kPi);
    flight.orientation.multiply(turn);
    turn.setIdentity();
    turn.rotY(randomFloat(-0.3f * kPi, 0.3f * kPi));
    flight.orientation.setTranslationXYZ(0.0f, 0.0f, 0.0f);
    flight.orientation.setProduct(turn, flight.orientation);
    flight.orientation.setTranslation(at);
    falling = 1;
    flight.setLevel(-1);
}

template <class Effect>
void Aircraft::blowUp(std::vector<Effect*>& pool, int event, bool hideModel)
{
    if (!host)
    {
        addEvents(event);
        state = Hit;
        damage = 100;
        return;
    }
    if (!host->hardwareMixing())
        host->pauseEngine(2.65f);
    host->playSound(u"explosion");
    // The last idle effect of the pool.
    for (auto it = pool.rbegin(); it != pool.rend(); ++it)
        if (!(*it)->active)
        {
            (*it)->start(model ? &model->matrix : &flight.orientation);
            break;
        }
    // A multiplayer flight has no pilot record.
    if (!host->isExercise() && state == Flying && !host->isMultiplayer())
        host->countDown(isPlayer != 0);
    if (hideModel)
    {
        if (model)
            model->visible = 0;
        // The missiles still on their stations go with it.
        for (auto& row : stations)
            for (Missile* m : row)
                if (m->model && m->state < Missile::Flying)
                    m->model->visible = 0;
        for (SmokePuff* puff : smoke)
            puff->stop();
    }
    state = Hit;
    damage = 100;
}

void Aircraft::explode(float, bool hideModel)
{
    blowUp(host ? host->explosions : noExplosions, EventExplode, hideModel);
}

void Aircraft::takeHit(int points, float dt)
{
    addDamage(points);
    if (!isPlayer && host)
        if (Aircraft* player = host->playerAircraft())
            player->score += points;
    if (damage >= 100)
    {
        startFalling();
        explode(dt, false);
        if (isPlayer)
            setView(4);
    }
}

void Aircraft::splash()
{
    blowUp(host ? host->splashes : noSplashes, EventSplash, false);
}

void Aircraft::checkGround(float dt)
{
    if (state == Down)
        return;
    const float floor = aircraftConstants().planeSize;
    if (flight.position.y - floor < 0.0f)
    {
        flight.stop();
        flight.position.y = floor;
        flight.orientation.setTranslation(flight.position);
        if (model)
            model->matrix.copyFrom(flight.orientation);
        const bool water = host ? host->basisIsWater() : onWater != 0;
        if (water)
            splash();
        else
            explode(dt, !isPlayer);
        falling = 0;
        state = Down;
        if (isPlayer && host)
            for (int i = 0; i < host->aircraftCount(); ++i)
                if (Aircraft* other = host->aircraftAt(i); other && other != this)
                    other->flight.stop();
    }
    else if (isPlayer && host && !falling && flight.position.y < aircraftConstants().dangerousAltitude)
    {
        host->showAlert(u"You fly too low, pitch up!");
        Camera* camera = host->flightCamera();
        if (camera && camera->getFollowMode() == 4 && model && !model->visible)
            setView(8);
    }
    flight.previous = flight.position;
}

void Aircraft::updateGlow(float dt)
{
    if (!spoutFlame)
        return;
    if (state != Down)
    {
        glowPhase += 10.0f * dt;
        if (glowPhase >= 360.0f)
            glowPhase = 0.0f;
        const int g = 140 - int(-40.0f * tableSin(glowPhase));
        spoutFlame->color = packRGB(uint32_t(g), uint32_t(g - 40), uint32_t(g - 60));
    }
    else
    {
        spoutFlame->color = 0;
        spoutFlame->color2 = 0;
    }
}

void Aircraft::updateParticles(float dt)
{
    for (Bullet* b : bullets)
        if (b->active)
            b->update(dt);
    if (!host)
        return;
    for (SmokePuff* puff : smoke)
        if (puff->active)
            puff->update(dt);
    flaresInAir = 0;
    for (Flare* f : flares)
        if (f->active)
        {
            f->update(dt);
            flaresInAir += f->active;
        }
    chaffInAir = 0;
    for (Flare* f : chaff)
        if (f->active)
        {
            f->update(dt);
            chaffInAir += f->active;
        }
    if (isPlayer)
        host->setDecoyCounts(flaresInAir, chaffInAir);
}

void Aircraft::update(float dt)
{
    const bool client = isNetworkClient();
    if (client)
    {
        if (hasEvents(EventCanon))
            fireCanon(dt);
        if (hasEvents(EventExplode))
            explode(dt, false);
        if (hasEvents(EventSplash))
            splash();
        if (hasEvents(EventSmoke))
            emitSmoke(dt);
        if (hasEvents(EventFlare))
            releaseFlare(dt);
        if (hasEvents(EventChaff))
            releaseChaff(dt);
        if (hasEvents(EventDamage))
            addDamage(1);
        if (isPlayer)
        {
            host->heatWarning = hasEvents(EventHeatWarning) != 0;
            host->radarWarning = hasEvents(EventRadarWarning) != 0;
        }
    }
    events = 0;
    spinAngle += 100.0f * dt;
    if (spinAngle > 360.0f)
        spinAngle = 0.0f;
    updateGlow(dt);
    updateParticles(dt);

    if (client)
    {
        for (auto& row : stations)
            for (Missile* m : row)
                if (m)
                {
                    m->updateSmoke(dt);
                    if (m->state == Missile::Spent)
                        m->putAway();
                }
        return;
    }

    if (state == Flying)
    {
        if (int(spinAngle) < damage - 40)
            emitSmoke(dt);
    }
    else
    {
        if (!host || isPlayer || state == Hit)
            emitSmoke(dt);
        if (falling)
            flight.setRollRate(2.0f);
    }
    if (host && state == Flying)
    {
        const int points = checkHits(dt);
        if (points > 0)
            takeHit(points, dt);
    }
    // A crashed aircraft stays where it came down.
    if (state != Down)
        flight.tick(dt, isPlayer || !host);
    for (auto& row : stations)
        for (Missile* m : row)
            if (m)
            {
                const int before = m->state;
                m->updateSmoke(dt);
                m->update(dt);
                if (host && before != Missile::Exploding && m->state == Missile::Exploding)
                    host->playSound(u"smallexplosion");
            }
    if (aiEnabled)
        updateEnemyAI(dt);
    checkGround(dt);
}

void Aircraft::setView(int mode)
{
    if (!host || state >= Down || mode < 0 || mode > 8)
        return;
    if (model)
        model->visible = mode != 0;
    host->showCockpit(mode == 0);
    Camera* camera = host->flightCamera();
    if (!camera)
        return;
    struct View
    {
        int follow;
        float distance, smoothing;
        Vector3 offset;
    };
    const View views[9] = {
        {4, 2.0f, 95.0f, {0.0f, 0.05f, 1.0f}},  {4, 0.0f, 95.0f, {-1.0f, -0.1f, 0.2f}},
        {4, 0.0f, 95.0f, {1.0f, -0.1f, 0.2f}},  {4, 0.5f, 95.0f, {0.0f, 0.2f, -0.9f}},
        {0, 100.0f, 95.0f, {randomFloat(-0.1f, 0.1f), randomFloat(-0.1f, 0.1f), -1.0f}},
        {1, 8.0f, 10.0f, {1.0f, 0.0f, 0.0f}},   {2, 10.0f, 10.0f, {0.0f, 1.0f, 0.0f}},
        {3, -8.0f, 10.0f, {0.0f, 0.0f, -1.0f}}, {5, 0.8f, 95.0f, {0.0f, 0.5f, -0.9f}},
    };
    View v = views[mode];
    if (mode == 8)
        setCameraPoint(100.0f);
    camera->follow(v.follow, &flight.orientation, v.distance, v.smoothing, v.offset);
}

void Aircraft::setCameraPoint(float z)
{
    Camera* camera = host ? host->flightCamera() : nullptr;
    if (!camera)
        return;
    Vector3 point(0.0f, 1.0f, z);
    flight.orientation.transformPoint(point);
    camera->setPositionVector(point);
}

} // namespace skyrend
