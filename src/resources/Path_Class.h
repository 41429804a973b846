// CPath: a path's control points and the polyline of internal points with running lengths that
// position lookups along the path use. Every change to points or settings rebuilds the polyline.
#pragma once

#include <vector>

class CStream;

struct RWayPoint {
    double x = 0, y = 0, speed = 100;
};

struct RIntPoint {
    double x = 0, y = 0, speed = 100, l = 0;
};

class CPath {
  public:
    CPath() = default;
    void Clear();
    void Assign(const CPath& path);
    // Stored form: version 530, kind, closed, precision, count, count x (x, y, speed). False on
    // another version or a count the stream cannot hold.
    bool LoadFromStream(CStream& str);

    int AddPoint(double x, double y, double speed);
    void InsertPoint(int ind, double x, double y, double speed);
    void ChangePoint(int ind, double x, double y, double speed);
    void DeletePoint(int ind);
    void GetPosition(double ind, double& x, double& y, double& sp) const;
    double XPosition(double ind) const;
    double YPosition(double ind) const;
    double Speed(double ind) const;
    void Center(double& x, double& y) const;
    void Reverse();
    void Mirror();
    void Flip();
    void Rotate(double angle);
    void Scale(double xscale, double yscale);
    void Shift(double xtr, double ytr);
    void Append(const CPath* path);

    double PathLength() const { return i_length; }
    int Count() const { return int(i_points.size()); }
    int Kind() const { return i_kind; }
    bool Closed() const { return i_closed; }
    int Precision() const { return i_precision; }
    void SetKind(int kind);
    void SetClosed(bool closed);
    void SetPrecision(int precision);

    const std::vector<RWayPoint>& Points() const { return i_points; }
    const std::vector<RIntPoint>& IntPoints() const { return i_intpoints; }

  private:
    void ComputeInternal();
    void ComputeStraight();
    void ComputeSmooth();
    void ComputeLength();
    void SubdivideCurve(int depth, const RIntPoint& start, const RIntPoint& control, const RIntPoint& end);
    template <typename F>
    void TransformAboutCenter(F f);

    std::vector<RWayPoint> i_points;
    int i_kind = 0;
    bool i_closed = true;
    int i_precision = 4;
    std::vector<RIntPoint> i_intpoints;
    double i_length = 0;
};
