// story_stages.cpp -- the descriptions of the story stages 1 to 33
#include "content/ravenor/story_stages.h"

#include "content/ravenor/level_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <sstream>
#include <vector>

namespace ravenor_content {

namespace {

struct Point
{
    int32_t x, y;
};

// Courses along the streets, in driving order
const std::vector<Point> kCourses[] = {
    {{0, -3600}, {0, 3600}},                                             // 0 north along the middle
    {{-3600, 0}, {3600, 0}},                                             // 1 east across the middle
    {{-2500, -3600}, {-2500, 2500}, {2500, 2500}, {2500, -3600}},        // 2 up the west, back down the east
    {{-2500, -3600}, {-2500, 0}, {2500, 0}, {2500, 3600}},               // 3 zigzag
    {{2500, 3600}, {2500, 2500}, {0, 2500}, {0, -2500}, {-2500, -2500}, {-2500, -3600}},   // 4 an S
    {{0, -3600}, {0, -2500}, {2500, -2500}, {2500, 2500}, {-2500, 2500}, {-2500, 0}, {3600, 0}},   // 5 a tour
    {{-3600, -2500}, {2500, -2500}, {2500, 3600}},                       // 6 south, then north on the east
    {{3600, 2500}, {-2500, 2500}, {-2500, -2500}, {3600, -2500}},        // 7 round the west
};

// Loops for the cars to catch (each ends where it turns back to its first point)
const std::vector<Point> kLoops[] = {
    {{-2500, 0}, {-2500, 2500}, {2500, 2500}, {2500, -2500}, {-2500, -2500}},   // the outer ring
    {{0, 0}, {0, 2500}, {2500, 2500}, {2500, 0}},                               // round the north-east block
    {{0, -2500}, {-2500, -2500}, {-2500, 2500}, {0, 2500}},                     // round the west half
};

enum Kind
{
    kCp = static_cast<int>(StageKind::kCheckpoints),
    kPu = static_cast<int>(StageKind::kPickUps),
    kCh = static_cast<int>(StageKind::kCatch),
    kRa = static_cast<int>(StageKind::kRace),
    kDe = static_cast<int>(StageKind::kDelivery),
};

struct Story
{
    int kind;
    int course;       // a course, or for a catch a loop
    int targets;      // checkpoints or pick-ups (0: one per 2500 units of the course)
    int slack;        // percent of the time needed given on the clock
    int traffic;      // traffic limit once the stage runs (0: none)
    int speed;        // rival's or quarry's speed
};

// Stages 1 to 33; the first four lie on the middle street for a quick run.
const Story kStories[33] = {
    {kCp, 0, 3, 200, 0, 0},    {kDe, 0, 0, 200, 0, 0},     {kCh, 0, 0, 200, 0, 200},  {kRa, 0, 0, 200, 0, 200},
    {kPu, 2, 5, 190, 4, 0},    {kCp, 3, 0, 180, 4, 0},     {kPu, 2, 5, 180, 4, 0},    {kCh, 0, 0, 180, 4, 240},
    {kRa, 3, 0, 180, 5, 150},  {kDe, 4, 0, 170, 5, 0},     {kCp, 5, 0, 170, 5, 0},    {kPu, 3, 5, 170, 5, 0},
    {kCh, 1, 0, 160, 5, 260},  {kRa, 2, 0, 160, 6, 180},   {kDe, 6, 0, 160, 6, 0},    {kCp, 7, 0, 160, 6, 0},
    {kPu, 5, 6, 160, 6, 0},    {kCh, 2, 0, 150, 6, 280},   {kRa, 4, 0, 150, 6, 140},  {kDe, 5, 0, 150, 7, 0},
    {kCp, 4, 0, 150, 7, 0},    {kPu, 7, 6, 150, 7, 0},     {kCh, 0, 0, 140, 7, 300},  {kRa, 6, 0, 140, 7, 190},
    {kDe, 7, 0, 140, 8, 0},    {kCp, 2, 0, 140, 8, 0},     {kPu, 4, 6, 140, 8, 0},    {kCh, 1, 0, 130, 8, 320},
    {kRa, 5, 0, 130, 8, 200},  {kDe, 3, 0, 130, 8, 0},     {kCp, 6, 0, 130, 8, 0},    {kPu, 6, 6, 130, 8, 0},
    {kRa, 7, 0, 125, 8, 210},
};

// Traffic classes in turn over the stages, and the people
int TrafficClass(int stage, int k)
{
    return 30 + (stage * 3 + k) % 19;
}
int PersonClass(int stage, int k)
{
    return 62 + (stage * 2 + k) % 12;
}

double Length(const std::vector<Point>& course)
{
    double sum = 0;
    for (size_t i = 1; i < course.size(); ++i)
        sum += std::hypot(course[i].x - course[i - 1].x, course[i].y - course[i - 1].y);
    return sum;
}

struct Place
{
    Point p;
    int dx, dy;   // unit direction of travel
};

Place At(const std::vector<Point>& course, double distance)
{
    for (size_t i = 1; i < course.size(); ++i)
    {
        const Point a = course[i - 1];
        const Point b = course[i];
        const double l = std::hypot(b.x - a.x, b.y - a.y);
        if (distance <= l || i + 1 == course.size())
        {
            const double t = l > 0 ? std::fmin(distance / l, 1.0) : 0;
            const int dx = (b.x > a.x) - (b.x < a.x);
            const int dy = (b.y > a.y) - (b.y < a.y);
            return Place{{static_cast<int32_t>(a.x + (b.x - a.x) * t), static_cast<int32_t>(a.y + (b.y - a.y) * t)},
                         dx, dy};
        }
        distance -= l;
    }
    return Place{course.back(), 0, 1};
}

// A description being written: lists, nodes and sections as lines. Node
// names can be taken before the node is written (links may point forward).
class Writer
{
public:
    // A list of points at a height (level z; 2 lies on the road)
    std::string List(const std::vector<Point>& points, int32_t z = 2)
    {
        const std::string name = "L" + std::to_string(m_lists++);
        m_text << "list " << name;
        for (const Point& p : points)
            m_text << "  " << p.x << ' ' << p.y << ' ' << z;
        m_text << '\n';
        return name;
    }
    // A two-point list at a place (moved to its side, left of its way),
    // facing its direction
    std::string Spot(const Place& at, int32_t side = 0, int32_t z = 2)
    {
        const Point p{at.p.x - at.dy * side, at.p.y + at.dx * side};
        return List({p, {p.x + at.dx * 100, p.y + at.dy * 100}}, z);
    }
    std::string Name() { return "N" + std::to_string(m_nodes++); }
    std::string Node(const std::string& body) { return Node(Name(), body); }
    std::string Node(const std::string& name, const std::string& body)
    {
        m_text << "node " << name << ' ' << body << '\n';
        return name;
    }
    // Starters (behaviour 25) that create every record of the list, four to
    // a starter and the next starter as the fifth link; the first one takes
    // the name given, if any
    std::string Starters(const std::vector<std::string>& records, const std::string& path,
                         const std::string& head = std::string())
    {
        std::string next;
        for (size_t end = records.size(); end > 0;)
        {
            const size_t begin = end > 4 ? end - 4 : 0;
            std::string body = "class 12 behaviour 25 path " + path;
            for (size_t i = begin; i < end; ++i)
                body += " link " + records[i];
            if (!next.empty())
                body += " link " + next;
            next = begin == 0 && !head.empty() ? Node(head, body) : Node(body);
            end = begin;
        }
        if (!next.empty())
            return next;
        const std::string body = "class 12 behaviour 25 path " + path;
        return head.empty() ? Node(body) : Node(head, body);
    }
    void Line(const std::string& line) { m_text << line << '\n'; }
    std::string Text() const { return m_text.str(); }

private:
    std::ostringstream m_text;
    int m_lists = 0;
    int m_nodes = 0;
};

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string Num(int32_t v)
{
    return std::to_string(v);
}

// A place moved along its way and to its side (left of the way)
Place Moved(const Place& at, int32_t along, int32_t side = 0)
{
    Place p = at;
    p.p.x += at.dx * along - at.dy * side;
    p.p.y += at.dy * along + at.dx * side;
    return p;
}

// The same place facing back
Place Reversed(const Place& at)
{
    return Place{at.p, -at.dx, -at.dy};
}

// Seconds on the clock for a course: about 250 units a frame on the
// straights, 100 frames a corner, 35 ms of the clock a frame, with slack.
int ClockSeconds(double levelLength, size_t corners, int slack)
{
    const double frames = levelLength * 8 / 250 + 100.0 * static_cast<double>(corners) + 80;
    return static_cast<int>(frames * 35 / 1000 * slack / 100) + 5;
}

// The pointing arrow of the stage (6, 7 or 8)
int PointingArrow(int stage)
{
    return stage % 3 == 0 ? 8 : stage % 2 == 0 ? 7 : 6;
}

// From stage 5 on the stages also show the set pieces of their kind
// (cameras, the false start, slow lorries, zones, chases ...); the first
// four stay the short runs up the middle street.
bool Staged(int stage)
{
    return stage >= 5;
}

// Traffic on the lanes, crowds on the pavements, props at the edges, two
// walkers, the traffic limit and later a rush of more traffic
void Streets(Writer& w, int stage, int limit, std::vector<std::string>& starters, const std::string& startList)
{
    if (limit <= 0)
        return;
    const std::string lanes[] = {
        w.List({{-2380, -3800}, {-2380, 2380}, {2380, 2380}, {2380, -2380}, {-2380, -2380}}),
        w.List({{2620, 3800}, {2620, -2620}, {-2620, -2620}, {-2620, 2620}, {2620, 2620}}),
        w.List({{120, -3800}, {120, 3800}}),
        w.List({{-120, 3800}, {-120, -3800}}),
        w.List({{-3800, -120}, {3800, -120}}),
    };
    for (int r = 0; r < 5; ++r)
    {
        std::string line = "route " + lanes[r];
        for (int k = 0; k < 6; ++k)
            line += " " + Num(TrafficClass(stage, r * 2 + k));
        w.Line(line + " speed " + Num(150 + 10 * (r + stage % 4)) + " spacing 3600");
    }
    const std::string pavement = w.List({{-2720, -3000}, {-2720, 3000}, {2720, 3000}, {2720, -3000}});
    std::string crowd = "route " + pavement;
    for (int k = 0; k < 6; ++k)
        crowd += " " + Num(PersonClass(stage, k));
    w.Line(crowd + " spacing 900");
    const std::string edges = w.List({{-230, -2000}, {-230, -1000}, {230, 1000}, {230, 2000}, {-2270, 1200}});
    w.Line("route " + edges + " 27 26 28 29 27 spacing 400");
    const std::string walk = w.List({{300, 300}, {300, 2200}, {2200, 2200}, {2200, 300}});
    for (int k = 0; k < 2; ++k)
        starters.push_back(w.Node("class " + Num(PersonClass(stage, 6 + k)) + " behaviour 0 path " + walk +
                                  " second " + walk + " startvalue " + Num(30 + 10 * k)));
    starters.push_back(w.Node("class 12 behaviour 22 path " + startList + " value " + Num(limit)));
    const std::string rush =
        w.Node("class 12 behaviour 22 path " + startList + " value " + Num(limit + 3) + " end1 \"<40>RUSH HOUR\"");
    starters.push_back(w.Node("class 17 behaviour 3 path " + startList + " count 600 next " + rush));
}

// What every stage starts with: the player (made the player by its
// companion), the start line, the countdown whose end starts what runs
// against the clock, and the clock, whose end finishes the stage.
struct Opening
{
    int stage = 0;
    Place start;
    std::string startList;
    std::string line;                   // the start line (a gate)
    std::string car;                    // the player's car
    std::string clock;
    int clockSeconds = 0;
    std::string clockChild;             // created once the objective is reached
    bool clockAtStart = false;          // runs from the stage's start, not from "GO"
    std::string countdown;              // the start countdown
    std::string countdownStarter;       // creates it and what comes with it
    bool countdownLater = false;        // a set piece creates the countdown's starter
    std::vector<std::string> atStart;   // created with the player
    std::vector<std::string> atCountdown;   // created with the countdown
    std::vector<std::string> atGo;      // created when the countdown is done
};

Opening Open(Writer& w, int stage, const Place& start, const std::string& line1, const std::string& line2,
             int clockSeconds)
{
    Opening o;
    o.stage = stage;
    o.start = start;
    o.startList = w.Spot(start);
    o.car = w.Node("class " + Num(50 + stage % 12) + " behaviour 3 path " + o.startList + " start " +
                   Quote("<50>" + line1) + " start " + Quote(line2));
    o.atStart.push_back(o.car);
    o.atStart.push_back(w.Node("class 12 behaviour 35 path " + o.startList + " link " + o.car));
    const Place line = Moved(start, 400);
    // Before a race the start line only stands there (behaviour 14 does nothing).
    o.line = w.Node("class 3 behaviour " + Num(Staged(stage) && clockSeconds == 0 ? 14 : 3) + " path " +
                    w.Spot(line));
    o.atStart.push_back(o.line);
    if (clockSeconds > 0 && !Staged(stage))
    {
        o.clock = w.Node("class 14 behaviour 3 path " + o.startList + " count " + Num(clockSeconds) +
                         " end1 \"<60>OUT OF TIME\"");
        o.atGo.push_back(o.clock);
        w.Line("trigger 6 3 " + o.clock + ",1,1,1,1");
    }
    else if (clockSeconds > 0)
    {
        // Written when the stage is closed, with what its set pieces add
        o.clock = w.Name();
        o.clockSeconds = clockSeconds;
        w.Line("trigger 6 3 " + o.clock + ",1,1,1,1");
    }
    if (Staged(stage))
    {
        o.countdown = w.Name();
        o.countdownStarter = w.Name();
    }
    return o;
}

// A stage on its course: the opening with the clock the course needs, and the streets
Opening OpenOnCourse(Writer& w, int stage, const Story& s, const std::string& line1, const std::string& line2)
{
    const std::vector<Point>& course = kCourses[s.course];
    Opening o = Open(w, stage, At(course, 0), line1, line2,
                     ClockSeconds(Length(course), course.size() - 2, s.slack));
    Streets(w, stage, s.traffic, o.atStart, o.startList);
    return o;
}

void Close(Writer& w, Opening& o)
{
    if (!Staged(o.stage))
    {
        const std::string go = w.Starters(o.atGo, o.startList);
        o.atStart.push_back(w.Node("class 13 behaviour 3 path " + o.startList + " count 3 next " + go));
        w.Line("root " + w.Starters(o.atStart, o.startList));
        return;
    }
    if (!o.clock.empty())
    {
        // A clock that runs from the start is held by a freeze until the
        // countdown (whose start lets it go), and has the countdown's time more.
        std::string body = "class 14 behaviour 3 path " + o.startList + " count " +
                           Num(o.clockSeconds + (o.clockAtStart ? 4 : 0)) + " end1 \"<60>OUT OF TIME\"";
        if (!o.clockChild.empty())
            body += " child " + o.clockChild;
        w.Node(o.clock, body);
        if (o.clockAtStart)
        {
            o.atStart.push_back(o.clock);
            o.atStart.push_back(w.Node("class 12 behaviour 43 path " + o.startList));
        }
        else
        {
            o.atGo.insert(o.atGo.begin(), o.clock);
        }
    }
    const std::string go = w.Starters(o.atGo, o.startList);
    w.Node(o.countdown, "class 13 behaviour 3 path " + o.startList + " count 3 next " + go);
    std::vector<std::string> withCountdown{o.countdown};
    withCountdown.insert(withCountdown.end(), o.atCountdown.begin(), o.atCountdown.end());
    w.Starters(withCountdown, o.startList, o.countdownStarter);
    if (!o.countdownLater)
        o.atStart.push_back(o.countdownStarter);
    w.Line("root " + w.Starters(o.atStart, o.startList));
}

// Places spread along a course (count 0: one per 2500 units), kept off the
// corners
std::vector<Place> TargetPlaces(const std::vector<Point>& course, int count)
{
    const double length = Length(course);
    if (count <= 0)
        count = std::max(2, static_cast<int>(length / 2500));
    std::vector<Place> places;
    for (int i = 1; i <= count; ++i)
    {
        double at = length * i / (count + 1);
        Place p = At(course, at);
        for (const Point& c : course)
            if (std::abs(c.x - p.p.x) + std::abs(c.y - p.p.y) < 500)
                p = At(course, at += 600);
        places.push_back(p);
    }
    return places;
}

// A place a part of the way along a course, kept off the corners
Place Along(const std::vector<Point>& course, double part)
{
    double at = Length(course) * part;
    Place p = At(course, at);
    for (const Point& c : course)
        if (std::abs(c.x - p.p.x) + std::abs(c.y - p.p.y) < 700)
            p = At(course, at += 800);
    return p;
}

// A place from a part of the way along a course on, at least a clearance
// from its corners and ends; false when there is none
bool Clear(const std::vector<Point>& course, double part, double clearance, Place& out)
{
    const double length = Length(course);
    for (double at = length * part; at < length - clearance; at += 100)
    {
        const Place p = At(course, at);
        bool clear = true;
        for (const Point& c : course)
            clear = clear && std::hypot(c.x - p.p.x, c.y - p.p.y) >= clearance;
        if (clear)
        {
            out = p;
            return true;
        }
    }
    return false;
}

Place End(const std::vector<Point>& course)
{
    return At(course, Length(course));
}

// The finish at a place: the record (behaviour 32) with its arrow
std::string Finish(Writer& w, int stage, const Place& at, const std::string& line)
{
    const std::string spot = w.Spot(at);
    const std::string finish = w.Name();
    const std::string arrow = w.Node("class " + Num(PointingArrow(stage)) + " behaviour 3 path " + spot + " link " + finish);
    return w.Node(finish, "class " + Num(stage % 2 ? 5 : 4) + " behaviour 32 path " + spot + " value 6400 companion " +
                              arrow + " end1 " + Quote("<60>" + line) + " enddelay3 45 next 2");
}

// A wide finish line to drive through (behaviour 2: touching it reaches the
// objective), under a hovering arrow that is reached at its foot
std::string FinishLine(Writer& w, int stage, const Place& at, const std::string& line)
{
    const std::string spot = w.Spot(at);
    const std::string finish = w.Name();
    const std::string hover = w.Node("class 9 behaviour 19 path " + spot + " value 100 link " + finish);
    const std::string arrow = w.Node("class " + Num(PointingArrow(stage)) + " behaviour 3 path " + spot + " link " + finish);
    const std::string both = w.Starters({arrow, hover}, spot);
    return w.Node(finish, "class 5 behaviour 2 path " + spot + " companion " + both + " end1 " +
                              Quote("<60>" + line) + " enddelay3 45 next 2");
}

// A chain of gates (behaviour 19, each with its arrow) over the places, every
// other one followed by a cheer, the last one followed by the record named;
// answers the gates in order.
std::vector<std::string> GateChain(Writer& w, int stage, const std::vector<Place>& places, std::string next)
{
    std::vector<std::string> gates(places.size());
    for (size_t i = places.size(); i-- > 0;)
    {
        const std::string spot = w.Spot(places[i]);
        std::string after = next;
        if (i % 2 == 1)
            after = w.Node("class 12 behaviour 45 path " + spot + " value 13 next " + next);
        gates[i] = w.Name();
        const std::string arrow =
            w.Node("class " + Num(PointingArrow(stage)) + " behaviour 3 path " + spot + " link " + gates[i]);
        w.Node(gates[i], "class " + Num(1 + (stage + static_cast<int>(i)) % 2) + " behaviour 19 path " + spot +
                             " value 6400 companion " + arrow + " end1 \"CHECKPOINT " + Num(static_cast<int>(i) + 1) +
                             "\" next " + after);
        next = gates[i];
    }
    return gates;
}

// ---- set pieces ----

// Before the countdown a camera flies up from behind the car to a point over
// the start and looks down the course (class 19: a moving camera that ends
// once it has arrived); its end starts the countdown. The clock shows under
// it (behaviour 5). Should it never arrive, a timer starts the countdown.
void IntroFlight(Writer& w, Opening& o, const std::vector<Point>& course)
{
    const Place high = Moved(o.start, -500, 700);
    const Place look = Along(course, 0.45);
    const std::string points = w.List({high.p, look.p}, 900);
    const std::string flight = w.Node("class 19 behaviour 5 second " + points + " delay2 3");
    const std::string timer = w.Node("class 12 behaviour 34 path " + o.startList + " speed 200");
    o.atStart.push_back(flight);
    o.atStart.push_back(timer);
    o.countdownLater = true;
    w.Line("trigger 6 " + o.countdownStarter + " " + flight + " " + timer);
}

// A false start: a key pressed before "GO" (behaviour 49 waits for every key
// up, then for one down) while the countdown still runs costs three seconds
// of the clock, which runs from the start: a time bonus of 3 (class 11) added
// to the countdown. Section 8 tells the two apart: the countdown done first
// means a clean start.
void FalseStartPenalty(Writer& w, Opening& o)
{
    const std::string watch = w.Node("class 12 behaviour 49 path " + o.startList);
    const std::string clean = w.Node("class 12 behaviour 6 path " + o.startList);
    const std::string penalty = w.Node("class 11 behaviour 3 path " + o.startList +
                                       " value 3 end1 \"<40>FALSE START\" end1 \"3 SECONDS LOST\"");
    o.atCountdown.push_back(watch);
    o.clockAtStart = true;
    w.Line("pairs " + o.countdown + " " + clean + " " + watch + " " + penalty);
}

// A false start in a race holds the player's car for two seconds after "GO"
// (behaviour 48 on a record of class 18, let go by rule section 3 when a
// timer started at "GO" is done) while the rival is away.
void FalseStartHold(Writer& w, Opening& o)
{
    const std::string watch = w.Node("class 12 behaviour 49 path " + o.startList);
    const std::string clean = w.Node("class 12 behaviour 6 path " + o.startList);
    const std::string hold = w.Node("class 18 behaviour 48 path " + o.startList);
    const std::string told = w.Node("class 12 behaviour 6 path " + o.startList +
                                    " end1 \"<40>FALSE START\" end1 \"YOU ARE HELD\"");
    const std::string release = w.Node("class 12 behaviour 34 path " + o.startList + " speed 40");
    o.atCountdown.push_back(watch);
    o.atGo.push_back(release);
    w.Line("pairs " + o.countdown + " " + clean + " " + watch + " " + w.Starters({told, hold}, o.startList));
    w.Line("rule 3 " + release + " " + hold);
}

// Once the objective is reached a camera swings out beside the finish and
// watches the car come in (class 20: a moving camera that follows its own
// record's place and looks at the player, until the stage ends).
std::string OutroCamera(Writer& w, const Opening& o, const Place& finish)
{
    return w.Node("class 20 behaviour 42 path " + w.Spot(Moved(finish, 700, 450), 0, 250) + " link " + o.car);
}

// Before a race a fixed camera ahead of the grid looks at the rival for 50
// frames (class 24, ended by behaviour 34); then the countdown.
void GridShot(Writer& w, Opening& o, const std::string& rival)
{
    const std::string camera = w.Node("class 24 behaviour 34 path " + w.Spot(Moved(o.start, 900, -200), 0, 150) +
                                      " speed 50 link " + rival + " delay2 3 next " + o.countdownStarter);
    o.atStart.push_back(camera);
    o.countdownLater = true;
}

// The roads are closed for the race at "GO": the route traffic goes and
// the traffic limit is 0 (behaviour 47) until the rush hour.
void RoadsClosed(Writer& w, Opening& o)
{
    const std::string closed = w.Node("class 12 behaviour 47 path " + o.startList);
    const std::string told = w.Node("class 12 behaviour 6 path " + o.startList + " end1 \"<40>ROADS CLOSED\"");
    o.atGo.push_back(w.Starters({closed, told}, o.startList));
}

// A slow lorry (behaviour 7): when the player comes within 2500 of a point
// on a straight of the course, a zone (33) puts a lorry on the road ahead,
// which turns off right at the next crossing. Near it the player's car is
// slowed and its controls are held (it cannot overtake), so the player
// follows it to the crossing; once the player is far away the zone takes
// the lorry back.
void SlowLorry(Writer& w, int stage, Opening& o, const std::vector<Point>& course)
{
    const int32_t streets[3] = {-2500, 0, 2500};
    for (size_t i = 0; i + 1 < course.size(); ++i)
    {
        const Point from = course[i];
        const Point to = course[i + 1];
        const int dx = (to.x > from.x) - (to.x < from.x);
        const int dy = (to.y > from.y) - (to.y < from.y);
        for (int32_t street : streets)
        {
            // The crossing with that street, well inside the straight
            const Point j = dx != 0 ? Point{street, from.y} : Point{from.x, street};
            const int32_t fromStart = (j.x - from.x) * dx + (j.y - from.y) * dy;
            const int32_t toEnd = (to.x - j.x) * dx + (to.y - j.y) * dy;
            if (fromStart < 2000 || toEnd < 500)
                continue;
            const Place at{j, dx, dy};
            const Place right{j, dy, -dx};
            const std::string path =
                w.List({Moved(at, -1800, -120).p, Moved(at, -120, -120).p, Moved(right, 1000, -120).p});
            const std::string lorry = w.Node("class " + Num(TrafficClass(stage, 0) == 46 ? 37 : 46) +
                                             " behaviour 7 path " + path +
                                             " startvalue 170 value 3600 start \"<40>SLOW LORRY\"");
            o.atGo.push_back(
                w.Node("class 12 behaviour 33 path " + w.Spot(Moved(at, -1000)) + " value 390625 next " + lorry));
            return;
        }
    }
}

// Cars parked at the kerb (behaviours 4 and 27: they stand; 4 keeps no
// start value as its speed) and one that breaks down (23: it slows to a
// stop) on the other side of the street
void KerbCars(Writer& w, int stage, Opening& o, const std::vector<Point>& course)
{
    Place a, b, lane;
    if (Clear(course, 0.2, 1600, a))
        o.atStart.push_back(w.Node("class " + Num(TrafficClass(stage, 4)) + " behaviour 4 path " + w.Spot(a, 210) +
                                   " startvalue 60"));
    if (Clear(course, 0.7, 1600, b))
        o.atStart.push_back(w.Node("class " + Num(TrafficClass(stage, 5)) + " behaviour 27 path " + w.Spot(b, 210)));
    // It runs down by the far kerb and stops there after about 900 units.
    if (Clear(course, 0.5, 2400, lane))
    {
        const Place from = Moved(Reversed(lane), -700, 230);
        o.atGo.push_back(w.Node("class " + Num(TrafficClass(stage, 7)) + " behaviour 23 path " +
                                w.List({from.p, Moved(from, 1400).p}) + " startvalue 120 value 1"));
    }
}

// A zone round a place (behaviour 33): within its radius a crowd comes out
// (three standing on the pavements, behaviour 28; one crossing the street
// beyond, 39: gone once out of view for a while) and calls out (45); away
// from it they go again.
void CrowdZone(Writer& w, int stage, Opening& o, const Place& at, int sound)
{
    std::vector<std::string> crowd;
    for (int k = 0; k < 3; ++k)
        crowd.push_back(w.Node("class " + Num(PersonClass(stage, 8 + k)) + " behaviour 28 path " +
                               w.Spot(Moved(at, 150 * k - 150, k % 2 ? 320 : -320))));
    const Place cross = Moved(at, 600, -300);
    const Place over = Moved(cross, 0, 600);
    crowd.push_back(w.Node("class " + Num(PersonClass(stage, 11)) + " behaviour 39 path " +
                           w.List({cross.p, over.p}) + " startvalue 20"));
    crowd.push_back(w.Node("class 12 behaviour 45 path " + o.startList + " value " + Num(sound)));
    const std::string comes = w.Starters(crowd, o.startList);
    o.atGo.push_back(w.Node("class 12 behaviour 33 path " + w.Spot(at) + " value 40000 next " + comes));
}

// The quarry's friends: a car that parks when its way ends (behaviour 8),
// a runaway that hits what it meets (11), one that does so and goes when
// out of view (12), one that goes when out of view (13) and one that
// slows to a stop (24)
void Getaway(Writer& w, int stage, Opening& o)
{
    struct Car
    {
        int behaviour;
        std::vector<Point> way;
        int speed;
        const char* extra;
    };
    const Car cars[] = {
        {8, {{-2380, 1500}, {-2380, 2380}, {-1200, 2380}}, 150, ""},
        {11, {{2380, -3000}, {2380, 3000}}, 200, ""},
        {12, {{-2620, 3000}, {-2620, -3000}}, 220, ""},
        {13, {{3000, 2380}, {-3000, 2380}}, 240, ""},
        {24, {{-3000, -2620}, {3000, -2620}}, 240, " value 1"},
    };
    int k = 9;
    for (const Car& c : cars)
        o.atGo.push_back(w.Node("class " + Num(TrafficClass(stage, k++)) + " behaviour " + Num(c.behaviour) +
                                " path " + w.List(c.way) + " startvalue " + Num(c.speed) + c.extra));
}

// After the parcel a fixed camera at the drop looks at it for 45 frames
// (class 23) while the clock is stopped (43) and the car brought to a stop
// and held (behaviour 7 on a record of class 18 whose radius takes in the
// whole city; the cheer is stopped, 46); then a countdown of one second
// lets the car go (rule section 3 takes the hold away) and the clock runs
// again (44).
std::string DropCutscene(Writer& w, Opening& o, const Place& drop, const std::string& dropRecord)
{
    const std::string thaw = w.Node("class 12 behaviour 44 path " + o.startList);
    const std::string again = w.Node("class 13 behaviour 3 path " + o.startList + " count 1 next " + thaw);
    const std::string camera = w.Node("class 23 behaviour 34 path " + w.Spot(Moved(drop, -1200, 600), 0, 400) +
                                      " speed 45 link " + dropRecord + " next " + again);
    const std::string freeze = w.Node("class 12 behaviour 43 path " + o.startList + " end1 \"<60>TAKE IT THERE\"");
    const std::string hold = w.Node("class 18 behaviour 7 path " + o.startList + " value 2000000000");
    const std::string hush = w.Node("class 12 behaviour 46 path " + o.startList + " value 13");
    w.Line("rule 3 " + again + " " + hold);
    return w.Starters({dropRecord, freeze, hold, camera, hush}, o.startList);
}

// Points along a course from one distance to another (either way), every
// 500 units and at the ends, moved to the side of the way they go
std::vector<Point> Way(const std::vector<Point>& course, double from, double to, int32_t side)
{
    const int steps = std::max(1, static_cast<int>(std::abs(to - from) / 500));
    std::vector<Point> points;
    for (int i = 0; i <= steps; ++i)
    {
        Place p = At(course, from + (to - from) * i / steps);
        if (to < from)
            p = Reversed(p);
        p = Moved(p, 0, side);
        if (points.empty() || points.back().x != p.p.x || points.back().y != p.p.y)
            points.push_back(p.p);
    }
    if (points.size() < 2)
        points.push_back({points[0].x + 1, points[0].y});
    return points;
}

// Police: an ambush line across the course (behaviour 26: touching it calls
// them) sends two cars after the player (29 follows, 30 follows and drops
// back when far out of sight) and one toward it (40: it comes down the
// course and, near the player, slows, turns to face it and calls out once);
// more come later unless the parcel is delivered first (a timer, 34, whose
// record 17 disables). Patrol cars on the side streets slow for the player
// when it comes near (36, 37 after a delay, 38 and 41 push it away when it
// touches them, 41 goes once out of view; 31 pushes and goes when far out
// of sight). At the drop the chase is called off: the followers complete and
// go (16), the others go (15, 18).
struct Chase
{
    std::string ambush;
    std::string callOff;
};

Chase Police(Writer& w, int stage, Opening& o, const std::vector<Point>& course, double part)
{
    const int car = 40 + stage % 3;   // lincoln, mercedes, porsche
    const double length = Length(course);
    const double at = length * part;
    Chase c;
    const std::string follow = w.Node("class " + Num(car) + " behaviour 29 path " +
                                      w.Spot(At(course, std::max(0.0, at - 2600)), -150) + " startvalue 230 link 1");
    const std::string dropsBack = w.Node("class " + Num(car) + " behaviour 30 path " +
                                         w.Spot(At(course, std::max(0.0, at - 3400)), 150) + " startvalue 210 link 1");
    const double ahead = std::min(length - 200, at + 2600);
    const std::string called =
        w.Starters({w.Node("class 12 behaviour 6 path " + o.startList + " end1 \"<40>PULL OVER\""),
                    w.Node("class 12 behaviour 45 path " + o.startList + " value 16")},
                   o.startList);
    const std::string meets = w.Node("class " + Num(car) + " behaviour 40 path " +
                                     w.List(Way(course, ahead, std::max(0.0, ahead - 4000), 160)) +
                                     " startvalue 160 value 12000 link 1 next " + called);
    const std::string more = w.Node("class " + Num(car) + " behaviour 29 path " +
                                    w.Spot(At(course, std::max(0.0, at - 3000))) +
                                    " startvalue 250 link 1 start \"<40>MORE POLICE\"");
    const std::string later = w.Node("class 12 behaviour 34 path " + o.startList + " speed 300 next " + more);
    c.ambush = w.Node("class 3 behaviour 26 path " + w.Spot(At(course, at)) + " link " + follow + " link " + dropsBack +
                      " link " + meets + " link " + later + " link " +
                      w.Node("class 12 behaviour 6 path " + o.startList + " end1 \"<40>POLICE\""));
    // Patrols up and down side streets of the city
    const int patrols[] = {36, 37, 38, 41, 31};
    const Point crossings[] = {{-2500, -1250}, {1250, 2500}, {2500, 1250}, {-1250, -2500}, {0, 1250}};
    std::vector<std::string> patrolling;
    for (int k = 0; k < 5; ++k)
    {
        const Point p = crossings[k];
        const bool alongY = p.x == -2500 || p.x == 2500 || p.x == 0;
        const std::vector<Point> loop =
            alongY ? std::vector<Point>{{p.x + 150, p.y - 900}, {p.x + 150, p.y + 900}, {p.x - 150, p.y + 900},
                                        {p.x - 150, p.y - 900}}
                   : std::vector<Point>{{p.x - 900, p.y - 150}, {p.x + 900, p.y - 150}, {p.x + 900, p.y + 150},
                                        {p.x - 900, p.y + 150}};
        const std::string way = w.List(loop);
        std::string body = "class " + Num(car) + " behaviour " + Num(patrols[k]) + " path " + way + " second " + way +
                           " startvalue 120 value 4000 link 1";
        if (patrols[k] == 37)
            body += " speed 200";
        patrolling.push_back(w.Node(body));
        o.atGo.push_back(patrolling.back());
    }
    const std::string goHome = w.Node("class 12 behaviour 16 path " + o.startList + " link " + follow + " link " +
                                      dropsBack);
    const std::string away = w.Node("class 12 behaviour 15 path " + o.startList + " link " + meets + " link " + more +
                                    " link " + patrolling[0] + " link " + patrolling[1]);
    const std::string gone = w.Node("class 12 behaviour 18 path " + o.startList + " link " + patrolling[2] +
                                    " link " + patrolling[3] + " link " + patrolling[4]);
    const std::string noMore = w.Node("class 12 behaviour 17 path " + o.startList + " link " + more);
    c.callOff = w.Starters({noMore, goHome, away, gone}, o.startList);
    return c;
}

void Checkpoints(Writer& w, int stage, const Story& s)
{
    const std::vector<Point>& course = kCourses[s.course];
    Opening o = OpenOnCourse(w, stage, s, "PASS EVERY CHECKPOINT", "BEFORE TIME RUNS OUT");
    if (!Staged(stage))
    {
        const std::vector<std::string> gates =
            GateChain(w, stage, TargetPlaces(course, s.targets), Finish(w, stage, End(course), "WELL DONE"));
        o.atGo.push_back(gates.front());
        // Half way: one line, from section 8
        const std::string half = w.Node("class 12 behaviour 6 path " + o.startList + " end1 \"<60>HALF WAY\"");
        w.Line("pairs " + gates[gates.size() / 2] + " " + half);
        Close(w, o);
        return;
    }
    o.clockSeconds += 6;
    const std::vector<Place> places = TargetPlaces(course, s.targets);
    const std::string finish = FinishLine(w, stage, End(course), "WELL DONE");
    const std::vector<std::string> gates = GateChain(w, stage, places, finish);
    o.atGo.push_back(gates.front());
    const std::string half = w.Node("class 12 behaviour 6 path " + o.startList + " end1 \"<60>HALF WAY\"");
    w.Line("pairs " + gates[gates.size() / 2] + " " + half);
    // A line between the first two checkpoints stops the clock for three
    // seconds when driven through (behaviour 1)
    const Place between = places.size() > 1 ? Along(course, 1.5 / static_cast<double>(places.size() + 1))
                                            : Along(course, 0.25);
    const std::string thaw = w.Node("class 12 behaviour 44 path " + o.startList + " end1 \"<60>CLOCK RUNS\"");
    const std::string wait = w.Node("class 17 behaviour 3 path " + o.startList + " count 60 next " + thaw);
    const std::string freeze = w.Node("class 12 behaviour 43 path " + o.startList + " next " + wait);
    o.atGo.push_back(w.Node("class 3 behaviour 1 path " + w.Spot(between) +
                            " end1 \"<60>BONUS LINE\" end1 \"CLOCK STOPPED\" next " + freeze));
    o.clockChild = OutroCamera(w, o, End(course));
    IntroFlight(w, o, course);
    FalseStartPenalty(w, o);
    SlowLorry(w, stage, o, course);
    KerbCars(w, stage, o, course);
    Close(w, o);
}

void PickUps(Writer& w, int stage, const Story& s)
{
    const std::vector<Point>& course = kCourses[s.course];
    Opening o = OpenOnCourse(w, stage, s, "COLLECT EVERY", "QUESTION MARK");
    const std::vector<Place> places = TargetPlaces(course, s.targets);
    // All collected: the objective is reached (the clock stops), then the
    // stage is complete.
    const std::string reached = w.Node("class 12 behaviour 32 path " + o.startList +
                                       " value 2000000000 end1 \"<60>ALL COLLECTED\" enddelay3 45 next 2");
    o.atGo.push_back(w.Node("class 0 behaviour 3 path " + o.startList + " count " +
                            Num(static_cast<int>(places.size())) + " next " + reached));
    for (size_t i = 0; i < places.size(); ++i)
    {
        const std::string spot = w.Spot(places[i], i % 2 ? 40 : -40);
        const std::string pick = w.Node("class 10 behaviour 3 path " + spot);
        // Reached within 960 units (before the car's nose knocks it away)
        std::string next = pick;
        if (i == 1)
        {
            // This one also stops the clock for a while: the freeze, a frame
            // counter, then the thaw.
            const std::string thaw = w.Node("class 12 behaviour 44 path " + spot + " end1 \"<60>CLOCK RUNS\"");
            const std::string wait = w.Node("class 17 behaviour 3 path " + spot + " count 150 next " + thaw);
            const std::string freeze =
                w.Node("class 12 behaviour 43 path " + spot + " end1 \"<60>CLOCK STOPPED\" next " + wait);
            next = w.Node("class 12 behaviour 25 path " + spot + " link " + pick + " link " + freeze);
        }
        const std::string qmark = w.Node("class 49 behaviour 19 path " + spot + " value 900 next " + next);
        o.atGo.push_back(qmark);
        o.atGo.push_back(w.Node("class 9 behaviour 3 path " + spot + " link " + qmark));
    }
    if (Staged(stage))
    {
        o.clockChild = OutroCamera(w, o, places.back());
        CrowdZone(w, stage, o, places.back(), 17);
        KerbCars(w, stage, o, course);
    }
    Close(w, o);
}

// The quarry drives its loop (or, on the first course, up the middle and
// stops); touching it reaches the objective.
void Catch(Writer& w, int stage, const Story& s)
{
    std::vector<Point> loop;
    Place start;
    if (s.course == 0 && stage < 10)
    {
        loop = {{0, -1800}, {0, 3700}};
        start = At(kCourses[0], 0);
    }
    else
    {
        loop = kLoops[s.course % 3];
        // The player starts on the loop's first side, 2000 behind the quarry
        const Point a = loop[0];
        const Point b = loop[1];
        const int dx = (b.x > a.x) - (b.x < a.x);
        const int dy = (b.y > a.y) - (b.y < a.y);
        start = Place{{a.x - dx * 2000, a.y - dy * 2000}, dx, dy};
    }
    const bool stops = loop.size() == 2;
    Opening o = Open(w, stage, start, "CATCH THE " + std::string(stage % 2 ? "GETAWAY CAR" : "STOLEN CAR"),
                     "BEFORE IT GETS AWAY", ClockSeconds(Length(loop) * (stops ? 1 : 2), loop.size(), s.slack));
    Streets(w, stage, s.traffic, o.atStart, o.startList);
    const std::string path = w.List(loop);
    // Caught within 1600 units (before the cars bounce apart); then the
    // objective is reached (the clock stops) and the stage is complete.
    const std::string reached = w.Node("class 12 behaviour 32 path " + o.startList +
                                       " value 2000000000 end1 \"<60>GOT IT\" enddelay3 45 next 2");
    const std::string quarry = w.Node("class " + Num(TrafficClass(stage, 17)) + " behaviour 19 path " + path +
                                      (stops ? std::string() : " second " + path) + " startvalue " + Num(s.speed) +
                                      " value 2500 next " + reached);
    o.atGo.push_back(quarry);
    o.atGo.push_back(w.Node("class 9 behaviour 3 path " + path + " link " + quarry));
    if (Staged(stage))
    {
        // The outro rises over the loop's middle, looking at the player's car
        Point middle{0, 0};
        for (const Point& p : loop)
        {
            middle.x += p.x / static_cast<int32_t>(loop.size());
            middle.y += p.y / static_cast<int32_t>(loop.size());
        }
        o.clockChild = w.Node("class 20 behaviour 42 path " + w.List({middle, {middle.x, middle.y + 100}}, 1200) +
                              " link " + o.car);
        Getaway(w, stage, o);
    }
    Close(w, o);
}

// A rival along the same course: the first at the finish wins; the
// player passes the course's checkpoints on the way.
void Race(Writer& w, int stage, const Story& s)
{
    const std::vector<Point>& course = kCourses[s.course];
    const Place start = At(course, 0);
    Opening o = Open(w, stage, start, "BEAT YOUR RIVAL", "TO THE FINISH", 0);
    Streets(w, stage, s.traffic, o.atStart, o.startList);
    // The rival starts beside the player
    std::vector<Point> rivalCourse = course;
    rivalCourse[0].x -= start.dy * 200;
    rivalCourse[0].y += start.dx * 200;
    const std::string rivalPath = w.List(rivalCourse);
    const int rivalClass = 50 + (stage + 5) % 12;
    const std::string rival = w.Node("class " + Num(rivalClass) + " behaviour 21 path " + rivalPath + " speed " +
                                     Num(s.speed) + " value 8");
    o.atStart.push_back(rival);
    // The player's way: the checkpoints of the course, then the finish
    const std::string finish = Finish(w, stage, End(course), "YOU WIN");
    o.atGo.push_back(GateChain(w, stage, TargetPlaces(course, 0), finish).front());
    // The rival's arrival: within the finish's radius of it
    const std::string watch = w.Node("class 12 behaviour 20 path " + w.Spot(End(course)) + " link " + rival +
                                     " value 6400 end1 \"<60>YOUR RIVAL WON\" next 3");
    o.atGo.push_back(watch);
    // The player first: the watch is set done without completing (its
    // next link never comes) and goes
    w.Line("rule 2 " + finish + " " + watch);
    if (Staged(stage))
    {
        w.Line("trigger 6 " + OutroCamera(w, o, End(course)) + " " + finish);
        GridShot(w, o, rival);
        FalseStartHold(w, o);
        RoadsClosed(w, o);
    }
    Close(w, o);
}

// A parcel to pick up halfway, then the drop; roadworks narrow the road
// before it.
void Delivery(Writer& w, int stage, const Story& s)
{
    const std::vector<Point>& course = kCourses[s.course];
    Opening o = OpenOnCourse(w, stage, s, "PICK UP THE PARCEL", "AND DELIVER IT");
    const double length = Length(course);
    const std::string drop = Finish(w, stage, End(course), "DELIVERED");
    const std::string parcelSpot = w.Spot(TargetPlaces(course, 1)[0]);
    const std::string parcel = w.Name();
    const std::string arrow =
        w.Node("class " + Num(PointingArrow(stage)) + " behaviour 3 path " + parcelSpot + " link " + parcel);
    std::string afterParcel = drop;
    Chase chase;
    if (Staged(stage))
    {
        o.clockSeconds += 8;
        afterParcel = DropCutscene(w, o, End(course), drop);
        chase = Police(w, stage, o, course, 0.64);
        o.clockChild = OutroCamera(w, o, End(course));
        CrowdZone(w, stage, o, End(course), 13);
    }
    w.Node(parcel, "class 26 behaviour 19 path " + parcelSpot + " value 900 companion " + arrow +
                       " end1 \"<60>PARCEL LOADED\" next " + afterParcel);
    o.atGo.push_back(parcel);
    // Roadworks three quarters along
    const Place works = At(course, length * 3 / 4);
    o.atStart.push_back(w.Node("class 28 behaviour 3 path " + w.Spot(works, 150)));
    o.atStart.push_back(w.Node("class 27 behaviour 3 path " + w.Spot(works, -200)));
    if (Staged(stage))
    {
        o.atGo.push_back(chase.ambush);
        w.Line("trigger 6 " + chase.callOff + " " + drop);
    }
    Close(w, o);
}

} // namespace

bool StoryStageEntries(std::vector<DemoEntry>& entries, std::string& error)
{
    for (int stage = 1; stage <= kStoryStages; ++stage)
    {
        char name[16];
        std::snprintf(name, sizeof name, "stg%03d.lev", stage);
        std::vector<uint8_t> level;
        if (!WriteLevel(StoryStageDescription(stage), level, error))
        {
            error = std::string(name) + ": " + error;
            return false;
        }
        entries.push_back({name, std::move(level)});
    }
    return true;
}

StageKind StoryStageKind(int stage)
{
    return static_cast<StageKind>(kStories[(stage - 1) % kStoryStages].kind);
}

std::string StoryStageDescription(int stage)
{
    if (stage < 1 || stage > kStoryStages)
        return {};
    const Story& s = kStories[stage - 1];
    Writer w;
    w.Line("# Story stage " + Num(stage));
    switch (s.kind)
    {
    case kCp: Checkpoints(w, stage, s); break;
    case kPu: PickUps(w, stage, s); break;
    case kCh: Catch(w, stage, s); break;
    case kRa: Race(w, stage, s); break;
    default: Delivery(w, stage, s); break;
    }
    return w.Text();
}

} // namespace ravenor_content
